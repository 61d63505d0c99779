#pragma once

#include "Form.h"

#include <map>
#include <typeindex>

// The registry of the program's windows: one global instance per form class.
// The first reference loads the form (its constructor builds the controls, then
// Form_Load runs) without showing it; after Unload a new reference loads afresh.
// The application quits when no form is loaded any more.
class Forms {
public:
    template <class F>
    static F& Get() {
        auto it = loaded().find(typeid(F));
        if (it != loaded().end()) return static_cast<F&>(*it->second);
        auto* form = new F;
        loaded()[typeid(F)] = form;
        static_cast<Form*>(form)->Form_Load();  // virtual, called through the base that befriends us
        static_cast<Form*>(form)->loading_ = false;
        return *form;
    }

    template <class F>
    static bool IsLoaded() {
        return loaded().count(typeid(F)) != 0;
    }

    template <class F>
    static F& Show() {
        F& form = Get<F>();
        form.Show();
        return form;
    }

    // Unloads the form if it is loaded; does nothing otherwise.
    template <class F>
    static void Unload(int unloadMode = vbFormCode) {
        auto it = loaded().find(typeid(F));
        if (it != loaded().end()) Unload(it->second, unloadMode);
    }

    // Runs Form_QueryUnload (which may cancel) and Form_Unload, stops the form's
    // timers, hides it and marks it unloaded. It is destroyed only once no handler
    // is paused (message box, pop-up menu, DoEvents), so that a paused handler of
    // this form resumes on a live object, sees IsUnloaded() and returns.
    static bool Unload(Form* form, int unloadMode = vbFormCode);

    // Unloads every loaded form (program shutdown).
    static void UnloadAll(int unloadMode = vbAppWindows);

    static int LoadedCount() { return static_cast<int>(loaded().size()); }

    // Whether the program should quit when the last form is unloaded (tests turn it off).
    static void SetQuitWhenEmpty(bool quit);

private:
    friend class PauseScope;
    static std::map<std::type_index, Form*>& loaded();
    static void destroyUnloaded();
};

// Marks the span in which a handler is paused inside a nested event loop.
class PauseScope {
public:
    PauseScope();
    ~PauseScope();
    PauseScope(const PauseScope&) = delete;
    PauseScope& operator=(const PauseScope&) = delete;
    static int Depth();
};
