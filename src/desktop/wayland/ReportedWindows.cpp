#include "ReportedWindows.h"

#include <QCoreApplication>
#include <algorithm>

uint32_t ReportedWindows::ActiveNow() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return Active() ? Active()->id : 0;
}

void ReportedWindows::Report(const QString& key, const QString& title, const QString& appId, bool minimised,
                             const QRect& area) {
    auto it = std::ranges::find(listed_, key, &Listed::key);
    if (it == listed_.end()) it = listed_.insert(listed_.end(), Listed{key, Add()});
    Describe(it->id, title, appId, minimised);
    Place(it->id, area);
}

void ReportedWindows::ReportClosed(const QString& key) {
    const auto it = std::ranges::find(listed_, key, &Listed::key);
    if (it == listed_.end()) return;
    Remove(it->id);
    listed_.erase(it);
}

void ReportedWindows::ReportActivated(const QString& key) {
    for (const Listed& each : listed_) SetActivated(each.id, each.key == key);
}

void ReportedWindows::Forget() {
    listed_.clear();
    Clear();
}

QString ReportedWindows::KeyOf(uint32_t id) const {
    const auto it = std::ranges::find(listed_, id, &Listed::id);
    return it == listed_.end() ? QString() : it->key;
}
