#include "KeyNotation.h"

#include <X11/keysym.h>
#include <map>

namespace {

const std::map<QString, unsigned>& namedKeys() {
    static const std::map<QString, unsigned> keys = [] {
        std::map<QString, unsigned> k = {
            {"BACKSPACE", XK_BackSpace}, {"BS", XK_BackSpace}, {"BKSP", XK_BackSpace}, {"BREAK", XK_Break},
            {"CAPSLOCK", XK_Caps_Lock},  {"DELETE", XK_Delete}, {"DEL", XK_Delete},     {"DOWN", XK_Down},
            {"END", XK_End},             {"ENTER", XK_Return},  {"ESC", XK_Escape},     {"HELP", XK_Help},
            {"HOME", XK_Home},           {"INSERT", XK_Insert}, {"INS", XK_Insert},     {"LEFT", XK_Left},
            {"NUMLOCK", XK_Num_Lock},    {"PGDN", XK_Next},     {"PGUP", XK_Prior},     {"PRTSC", XK_Print},
            {"RIGHT", XK_Right},         {"SCROLLLOCK", XK_Scroll_Lock}, {"TAB", XK_Tab}, {"UP", XK_Up},
        };
        for (int f = 1; f <= 16; ++f) k[QStringLiteral("F%1").arg(f)] = XK_F1 + f - 1;
        return k;
    }();
    return keys;
}

class Parser {
public:
    explicit Parser(const QString& text) : text_(text.toStdU32String()) {}

    ParsedKeys run() {
        ParsedKeys result;
        while (pos_ < text_.size() && error_.isEmpty()) sequenceItem(0, result.strokes);
        if (error_.isEmpty() && pending_) error_ = QStringLiteral("a modifier (+ ^ %) at the end has no key to act on");
        if (!error_.isEmpty()) return {{}, error_};
        return result;
    }

private:
    // One key, one modifier, or one group, at the given nesting depth.
    void sequenceItem(int depth, std::vector<KeyStroke>& out) {
        const char32_t c = text_[pos_];
        if (c == U'+' || c == U'^' || c == U'%') {
            pending_ |= c == U'+' ? KeyStroke::Shift : c == U'^' ? KeyStroke::Control : KeyStroke::Alt;
            ++pos_;
            return;
        }
        const int mods = held_ | std::exchange(pending_, 0);
        if (c == U'(') {
            group(depth, mods, out);
        } else if (c == U')') {
            error_ = QStringLiteral("a closing parenthesis has no opening one");
        } else if (c == U'{') {
            braced(mods, out);
        } else if (c == U'}') {
            error_ = QStringLiteral("a closing brace has no opening one");
        } else {
            ++pos_;
            if (c == U'~' || c == U'\r') out.push_back({0, XK_Return, mods});
            else if (c == U'\t') out.push_back({0, XK_Tab, mods});
            else if (c < 0x20 || c == 0x7f) error_ = QStringLiteral("the text holds a control character that is no key");
            else out.push_back({c, 0, mods});
        }
    }

    void group(int depth, int mods, std::vector<KeyStroke>& out) {
        ++pos_;
        const int outer = std::exchange(held_, mods);
        while (error_.isEmpty() && pos_ < text_.size() && text_[pos_] != U')') sequenceItem(depth + 1, out);
        if (error_.isEmpty() && pending_) error_ = QStringLiteral("a modifier (+ ^ %) before ')' has no key to act on");
        if (error_.isEmpty() && pos_ >= text_.size()) error_ = QStringLiteral("an opening parenthesis is not closed");
        ++pos_;
        held_ = outer;
    }

    // {NAME}, {NAME n}, or a literal character {+} {}} ...; the first character after
    // the opening brace always belongs to the name, so "{}}" is a closing brace.
    void braced(int mods, std::vector<KeyStroke>& out) {
        const size_t start = pos_ + 1;
        size_t close = start < text_.size() ? text_.find(U'}', start + 1) : std::u32string::npos;
        if (close == std::u32string::npos) {
            error_ = QStringLiteral("an opening brace is not closed");
            return;
        }
        pos_ = close + 1;
        QString inside = QString::fromStdU32String(text_.substr(start, close - start));
        int count = 1;
        const int blank = inside.lastIndexOf(QChar(' '));
        if (blank > 0) {
            bool number = false;
            count = inside.mid(blank + 1).toInt(&number);
            if (!number || count < 0) {
                error_ = QStringLiteral("\"{%1}\" has no valid repeat count").arg(inside);
                return;
            }
            inside = inside.left(blank);
        }
        KeyStroke stroke{0, 0, mods};
        const auto named = namedKeys().find(inside.toUpper());
        if (named != namedKeys().end())
            stroke.keysym = named->second;
        else if (inside.toStdU32String().size() == 1)
            stroke.character = inside.toStdU32String()[0];
        else {
            error_ = QStringLiteral("\"{%1}\" is not a known key name").arg(inside);
            return;
        }
        out.insert(out.end(), count, stroke);
    }

    std::u32string text_;
    size_t pos_ = 0;
    int pending_ = 0;  // modifiers waiting for their key
    int held_ = 0;     // modifiers of the enclosing groups
    QString error_;
};

}  // namespace

ParsedKeys ParseKeys(const QString& text) { return Parser(text).run(); }
