#include "Forms.h"

#include "Timer.h"

#include <QCoreApplication>
#include <QPointer>
#include <vector>

namespace {
int pauseDepth = 0;
bool quitWhenEmpty = true;
std::vector<QPointer<Form>>& unloadedForms() {
    static std::vector<QPointer<Form>> forms;
    return forms;
}
}  // namespace

std::map<std::type_index, Form*>& Forms::loaded() {
    static std::map<std::type_index, Form*> forms;
    return forms;
}

void Forms::SetQuitWhenEmpty(bool quit) { quitWhenEmpty = quit; }

bool Forms::Unload(Form* form, int unloadMode) {
    if (!form || form->unloaded_) return true;
    int cancel = 0;
    form->Form_QueryUnload(cancel, unloadMode);
    if (cancel) return false;
    form->Form_Unload();
    for (Timer* timer : form->findChildren<Timer*>()) timer->SetEnabled(false);
    form->unloaded_ = true;
    form->hide();
    for (auto it = loaded().begin(); it != loaded().end(); ++it) {
        if (it->second == form) {
            loaded().erase(it);
            break;
        }
    }
    unloadedForms().emplace_back(form);
    if (pauseDepth == 0) destroyUnloaded();
    if (loaded().empty() && quitWhenEmpty) QCoreApplication::quit();
    return true;
}

void Forms::UnloadAll(int unloadMode) {
    while (!loaded().empty()) {
        if (!Unload(loaded().begin()->second, unloadMode)) break;
    }
}

void Forms::destroyUnloaded() {
    // deleteLater: the unloading handler itself may still be on the stack.
    for (auto& form : unloadedForms())
        if (form) form->deleteLater();
    unloadedForms().clear();
}

PauseScope::PauseScope() { ++pauseDepth; }

PauseScope::~PauseScope() {
    if (--pauseDepth == 0) Forms::destroyUnloaded();
}

int PauseScope::Depth() { return pauseDepth; }
