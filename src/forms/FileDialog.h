#pragma once

#include <QString>

class Form;

// The common file dialog. Real: QFileDialog; tests: a scripted fake.
// Each call returns the chosen file name, or an empty text when cancelled.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    virtual QString ShowOpen(const QString& filter, const QString& fileName) = 0;
    virtual QString ShowSave(const QString& filter, const QString& fileName) = 0;
};

class QtFileDialog : public FileDialog {
public:
    QString ShowOpen(const QString& filter, const QString& fileName) override;
    QString ShowSave(const QString& filter, const QString& fileName) override;
};

// Converts a "description|pattern|description|pattern" filter into Qt's
// "description (pattern);;..." form.
QString QtNameFilters(const QString& filter);

// The common-dialog control of a form: FileName and Filter, ShowOpen and ShowSave.
// Cancelling leaves FileName as it was and raises nothing.
class CommonDialog {
public:
    QString FileName;
    QString Filter;
    void ShowOpen();
    void ShowSave();
    // After a data file could not be read: a message with the reason, then the Open box
    // with the file's filter. Both pause the form; false when it was unloaded meanwhile.
    bool ReportLoadFailure(const Form& form, const QString& message, const QString& filter);
};
