#pragma once

#include "Form.h"

#include <QLabel>
#include <QWidget>

class QPushButton;

// The frame the About box and the Help window share: fixed dialog border, close
// box only, kept out of the taskbar, client area of 4455 x 2670 twips at 2340, 1935
// twips, and one button that Enter and Esc press anywhere in the window.
class DialogForm : public Form {
    Q_OBJECT
public:
    DialogForm();

protected:
    void SetDefaultCancelButton(QPushButton* button);
    // Shows no icon in the title bar, not even the application's.
    void SetNoWindowIcon() { noWindowIcon_ = true; }

    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* defaultCancel_ = nullptr;
    bool noWindowIcon_ = false;
};

// The etched separator across the window at 1440 twips: Line1(1) grey from 120
// to 4320, Line1(0) white and two pixels wide from 120 to 4335 just below it.
class EtchedLine : public QWidget {
    Q_OBJECT
public:
    explicit EtchedLine(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label drawn as a link (blue, underlined, 8.25 pt) with the label events the
// windows use: Click on a single click, and on a double click Click for its first
// click and DblClick for its second, never a second Click.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget* parent);

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
    bool secondOfDouble_ = false;
};
