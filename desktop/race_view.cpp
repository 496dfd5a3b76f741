// The race as it runs, in widgets: the status boxes, the capture page's count of those on the
// course with the line of waiting times, and the course view's window.
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "desktop/main_frame.h"
#include "desktop/qt_text.h"

namespace kvt::desktop {

namespace {

// A window whose close hides the view in the model (it stays made, to be shown again).
class CourseWidget : public QWidget {
public:
    CourseWidget(QWidget* parent, ui::Form& model) : QWidget(parent, Qt::Window), model_(model) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        model_.setVisible(false);
    }

private:
    ui::Form& model_;
};

}  // namespace

QWidget* MainFrame::statusBox(ui::StatusControls& controls) {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(label(controls.NumberLabel), 0, 0);
    QWidget* number = textBox(controls.Number);
    number->setFixedWidth(70);
    grid->addWidget(number, 0, 1);
    grid->addWidget(label(controls.ReasonLabel), 0, 2);
    grid->addWidget(textBox(controls.Reason), 0, 3);
    int column = 4;
    for (ui::CommandButton* button :
         {&controls.Dns, &controls.Dnf, &controls.Dsq, &controls.Clear}) {
        QWidget* widget = this->button(*button);
        // A click never takes the keyboard from the list's number boxes.
        widget->setFocusPolicy(Qt::NoFocus);
        grid->addWidget(widget, 0, column++);
    }
    grid->addWidget(label(controls.Message), 1, 0, 1, column);
    grid->setColumnStretch(3, 1);
    auto* contents = new QVBoxLayout;
    contents->addLayout(grid);
    return frame(controls.Box, contents);
}

QWidget* MainFrame::raceBar() {
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    QWidget* course = button(program_.Race.CourseButton);
    course->setFocusPolicy(Qt::NoFocus);
    course->setMinimumWidth(140);
    layout->addWidget(course);
    layout->addSpacing(12);
    layout->addWidget(label(program_.Race.Waiting), 1);
    layout->addWidget(label(program_.Race.Server));
    return bar;
}

void MainFrame::buildCourseWindow() {
    auto& view = program_.Race.Course;
    course_ = new CourseWidget(this, view.Window);
    course_->setObjectName("Course");
    course_->resize(760, 520);
    auto* layout = new QVBoxLayout(course_);
    layout->addWidget(label(view.Count));
    QLabel* heading = label(view.Heading);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    heading->setFont(fixed);
    layout->addWidget(heading);
    auto* list = static_cast<QPlainTextEdit*>(textArea(view.List));
    list->setMaximumHeight(QWIDGETSIZE_MAX);
    list->setFont(fixed);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(list, 1);
    auto* mark = new QHBoxLayout;
    mark->addWidget(label(view.NumberLabel));
    QWidget* number = textBox(view.Number);
    number->setFixedWidth(70);
    mark->addWidget(number);
    QWidget* dnf = button(view.Dnf);
    dnf->setFocusPolicy(Qt::NoFocus);
    mark->addWidget(dnf);
    mark->addWidget(label(view.Message), 1);
    layout->addLayout(mark);
    onChange(view.Window, [this, &view] {
        course_->setWindowTitle(q(view.Window.caption()));
        if (course_->isVisible() != view.Window.visible())
            course_->setVisible(view.Window.visible());
    });
}

}  // namespace kvt::desktop
