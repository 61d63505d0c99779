#pragma once

#include "Fakes.h"
#include "KeySender.h"

#include <functional>
#include <vector>

// Records what would be typed, with the fake clock's time of each sequence.
class RecordingKeySender : public KeySender {
public:
    struct Sent { std::vector<KeyStroke> strokes; double at; };
    std::vector<Sent> sent;
    FakeClock* clock = nullptr;
    bool fail = false;

    bool Send(const std::vector<KeyStroke>& strokes, QString* error) override {
        if (fail) {
            *error = QStringLiteral("the X server refused");
            return false;
        }
        sent.push_back({strokes, clock ? clock->now : 0});
        return true;
    }
    // Everything typed so far as text: characters as they are, named keys as <keysym>,
    // Shift as a leading '+'.
    QString Typed() const {
        QString text;
        for (const Sent& s : sent)
            for (const KeyStroke& k : s.strokes) {
                if (k.modifiers & KeyStroke::Shift) text += u'+';
                text += k.character ? QString::fromUcs4(&k.character, 1) : QStringLiteral("<%1>").arg(k.keysym, 0, 16);
            }
        return text;
    }
};

// A clock that moves on a little at every reading, so that Wait ends without real
// time passing; onRead stands in for the user acting during a pause.
class SteppingClock : public FakeClock {
public:
    double step = 0.25;
    std::function<void()> onRead;
    double SecondsOfDay() override {
        now += step;
        if (now >= 86400) now -= 86400;
        if (onRead) onRead();
        return now;
    }
};
