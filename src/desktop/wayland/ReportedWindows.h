#pragma once

#include "NativeWindows.h"

// The windows a compositor's script or extension of ours reports, under the compositor's own ids
// (strings), each kept with an id of ours.
class ReportedWindows : public NativeWindows {
public:
    // The active window, once the reports waiting in the event loop are read; 0 if none.
    uint32_t ActiveNow();

protected:
    void Report(const QString& key, const QString& title, const QString& appId, bool minimised, const QRect& area);
    void ReportClosed(const QString& key);
    void ReportActivated(const QString& key);  // empty: none of them
    void Forget();                              // all: the reporter starts anew
    QString KeyOf(uint32_t id) const;           // empty for none

private:
    struct Listed {
        QString key;
        uint32_t id;
    };
    std::vector<Listed> listed_;
};
