#pragma once

#include "DesktopWindows.h"

#include <QString>
#include <vector>

// A scripted stack of top-level windows, topmost first; records restores and minimisings.
class FakeDesktopWindows : public DesktopWindows {
public:
    struct Window {
        uint32_t id, style;
        QString title;
        bool vanished = false;  // destroyed as the walk passes it
    };
    static constexpr uint32_t App = WS_VISIBLE | WS_BORDER;
    std::vector<Window> stack;
    std::vector<uint32_t> restored, minimised;
    int titleReads = 0;

    uint32_t First() override { return stack.empty() ? 0 : stack[0].id; }
    uint32_t Next(uint32_t id) override {
        const Window* w = at(id);
        return w && !w->vanished && w != &stack.back() ? w[1].id : 0;
    }
    uint32_t Style(uint32_t id) override { return at(id) ? at(id)->style : 0; }
    QString Title(uint32_t id) override { ++titleReads; return at(id) ? at(id)->title : QString(); }
    void SetTopMost(uint32_t, bool) override {}
    void Restore(uint32_t id) override { restored.push_back(id); }
    bool CanMinimise() override { return true; }
    void Minimise(uint32_t id) override { minimised.push_back(id); }
    // An application window with the title on top of everything else.
    void Front(const QString& title) { stack.insert(stack.begin(), {0x1000u + uint32_t(stack.size()), App, title}); }
    const Window* at(uint32_t id) const {
        for (const Window& w : stack)
            if (w.id == id) return &w;
        return nullptr;
    }
};
