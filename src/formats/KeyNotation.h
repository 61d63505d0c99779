#pragma once

#include <QString>
#include <vector>

// One key to type: a character, or a named key given as an X keysym, with the
// modifiers that the notation holds down for it.
struct KeyStroke {
    enum Modifier { Shift = 1, Control = 2, Alt = 4 };
    char32_t character = 0;   // the character to produce, when not a named key
    unsigned keysym = 0;      // a named key ({TAB}, {F1}, ~ ...), when character is 0
    int modifiers = 0;

    bool operator==(const KeyStroke&) const = default;
};

struct ParsedKeys {
    std::vector<KeyStroke> strokes;
    QString error;  // empty when the whole text is valid notation
    bool ok() const { return error.isEmpty(); }
};

// Parses text in the program's key notation: + ^ % press the next key or the
// parenthesised group with Shift, Ctrl or Alt; ~ is Enter; {NAME} and {NAME n}
// name a key (or a literal character such as {+}) n times; characters 9 and 13
// are Tab and Enter. Invalid text yields no strokes and an explanation.
ParsedKeys ParseKeys(const QString& text);
