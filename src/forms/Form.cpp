#include "Form.h"

#include "Forms.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QVBoxLayout>

Form::Form() : client_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(client_);
}

Form::~Form() = default;

void Form::SetMenuBar(QMenuBar* bar) { layout()->setMenuBar(bar); }

void Form::SetClientSize(double widthTwips, double heightTwips) {
    client_->setMinimumSize(0, 0);
    const int menuHeight = layout()->menuBar() ? layout()->menuBar()->sizeHint().height() : 0;
    resize(twips::ToPixelsX(widthTwips), twips::ToPixelsY(heightTwips) + menuHeight);
}

long Form::Left() const { return twips::FromPixelsX(frameGeometry().x()); }
long Form::Top() const { return twips::FromPixelsY(frameGeometry().y()); }
long Form::Width() const { return twips::FromPixelsX(frameGeometry().width()); }
long Form::Height() const { return twips::FromPixelsY(frameGeometry().height()); }

void Form::Move(double left, double top) {
    // move() places the outer frame, like a form's Left and Top.
    move(twips::ToPixelsX(left), twips::ToPixelsY(top));
}

void Form::Move(double left, double top, double width, double height) {
    Move(left, top);
    const QSize frameExtra = frameGeometry().size() - size();
    resize(std::max(1, twips::ToPixelsX(width) - frameExtra.width()),
           std::max(1, twips::ToPixelsY(height) - frameExtra.height()));
}

int Form::WindowState() const { return (windowState() & Qt::WindowMinimized) ? vbMinimized : vbNormal; }

void Form::SetWindowState(int state) {
    if (state == vbMinimized)
        setWindowState(windowState() | Qt::WindowMinimized);
    else
        setWindowState(windowState() & ~Qt::WindowMinimized);
}

void Form::Show() {
    if (unloaded_) return;
    show();
    raise();
    // A minimised window stays minimised; activating it would restore it.
    if (!(windowFlags() & Qt::WindowDoesNotAcceptFocus) && !isMinimized()) activateWindow();
}

void Form::Hide() {
    if (!unloaded_) hide();
}

void Form::closeEvent(QCloseEvent* event) {
    // The title-bar close unloads the form; Unload hides and destroys it itself.
    event->ignore();
    Forms::Unload(this, vbFormControlMenu);
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !unloaded_ && !loading_) Form_Resize();
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!unloaded_ && !loading_) Form_Resize();
}
