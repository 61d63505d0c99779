#include "FileDialog.h"

#include "Form.h"
#include "Forms.h"
#include "MessageBox.h"
#include "Services.h"

#include <QFileDialog>
#include <QStringList>

QString QtFileDialog::ShowOpen(const QString& filter, const QString& fileName) {
    return QFileDialog::getOpenFileName(nullptr, {}, fileName, QtNameFilters(filter));
}

QString QtFileDialog::ShowSave(const QString& filter, const QString& fileName) {
    return QFileDialog::getSaveFileName(nullptr, {}, fileName, QtNameFilters(filter));
}

QString QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QChar('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QChar(';'), QChar(' ')));
    return filters.join(QStringLiteral(";;"));
}

void CommonDialog::ShowOpen() {
    PauseScope pause;
    const QString chosen = Services::Get().fileDialog->ShowOpen(Filter, FileName);
    if (!chosen.isEmpty()) FileName = chosen;
}

bool CommonDialog::ReportLoadFailure(const Form& form, const QString& message, const QString& filter) {
    MsgBox(message);
    if (form.IsUnloaded()) return false;
    Filter = filter;
    ShowOpen();
    return !form.IsUnloaded();
}

void CommonDialog::ShowSave() {
    PauseScope pause;
    const QString chosen = Services::Get().fileDialog->ShowSave(Filter, FileName);
    if (!chosen.isEmpty()) FileName = chosen;
}
