#pragma once

#include <QString>
#include <QWidget>

class QMenuBar;

// Window states as the program uses them.
enum WindowStates { vbNormal = 0, vbMinimized = 1 };

// How an unload was started, passed to Form_QueryUnload.
enum UnloadModes { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2 };

// Base of every window of the program. A form is one global instance reached
// through Forms (Forms.h): constructing it is loading it; Unload destroys it.
// Geometry is in twips: Left/Top/Width/Height of the outer frame, controls in the
// client area below the menu bar.
class Form : public QWidget {
    Q_OBJECT
public:
    Form();
    ~Form() override;

    QWidget* Client() const { return client_; }
    void SetMenuBar(QMenuBar* bar);
    void SetClientSize(double widthTwips, double heightTwips);

    long Left() const;
    long Top() const;
    long Width() const;
    long Height() const;
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

    int WindowState() const;
    void SetWindowState(int state);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }

    // Makes the window visible, modeless and ownerless, and brings it to the front.
    void Show();
    void Hide();

    // True once Unload has run: a handler resuming after a pause must return at once.
    bool IsUnloaded() const { return unloaded_; }

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) { (void)cancel; (void)unloadMode; }
    virtual void Form_Unload() {}
    virtual void Form_Resize() {}

    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class Forms;
    QWidget* client_;
    bool unloaded_ = false;
    bool loading_ = true;
};
