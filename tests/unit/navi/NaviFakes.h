#pragma once

#include "DesktopWindows.h"

#include <QString>
#include <utility>
#include <vector>

// A scripted stack of top-level windows, topmost first; records band changes and restores.
class FakeDesktopWindows : public DesktopWindows {
public:
    struct Window {
        uint32_t id;
        uint32_t style;
        QString title;
        bool vanished = false;  // destroyed during the walk
    };
    static constexpr uint32_t App = WS_VISIBLE | WS_BORDER;

    std::vector<Window> stack;
    std::vector<std::pair<uint32_t, bool>> topMost;
    std::vector<uint32_t> restored;
    bool canMinimise = true;
    std::vector<uint32_t> minimised;
    int titleReads = 0;

    uint32_t First() override { return stack.empty() ? 0 : stack.front().id; }
    uint32_t Next(uint32_t window) override {
        for (size_t i = 0; i < stack.size(); ++i)
            if (stack[i].id == window) return stack[i].vanished || i + 1 == stack.size() ? 0 : stack[i + 1].id;
        return 0;
    }
    uint32_t Style(uint32_t window) override {
        const Window* w = find(window);
        return w ? w->style : 0;
    }
    QString Title(uint32_t window) override {
        ++titleReads;
        const Window* w = find(window);
        return w ? w->title : QString();
    }
    void SetTopMost(uint32_t window, bool on) override { topMost.emplace_back(window, on); }
    void Restore(uint32_t window) override { restored.push_back(window); }
    bool CanMinimise() override { return canMinimise; }
    void Minimise(uint32_t window) override { minimised.push_back(window); }

    // An application window with the title on top of everything else.
    void Front(const QString& title) { stack.insert(stack.begin(), Window{0x1000u + uint32_t(stack.size()), App, title}); }

private:
    const Window* find(uint32_t id) const {
        for (const Window& w : stack)
            if (w.id == id) return &w;
        return nullptr;
    }
};
