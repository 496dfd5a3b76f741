// The real window on a small laptop's screen (1366 x 768), offscreen: it asks for no more room
// than that, the status bar is on screen, and every control of every page (and of every tab
// inside a page) can be brought into view and reached.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include "desktop/main_frame.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

const QSize Laptop(1366, 768);

bool isControl(QWidget* widget) {
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
           qobject_cast<QComboBox*>(widget) || qobject_cast<QTableView*>(widget);
}

class LaptopWindow : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        frame.refreshAll();
        frame.resize(Laptop);
        frame.show();
        QApplication::setActiveWindow(&frame);
        // A meet open, as on race day: every control of the pages is in use.
        const std::string path = (test.folder() / "Meet.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        frame.findChild<QAction*>("MakeNew")->trigger();
        test.dialogs.fileAnswers.push_back(path);
        frame.findChild<QAction*>("Open")->trigger();
        QApplication::processEvents();
    }

    // The controls shown on the page, each brought into view by the page's scroll area and
    // found wholly inside its viewport; returns how many were reached, and names those that were not.
    int reachControls(QScrollArea& area, QStringList& unreachable) {
        int reached = 0;
        for (QWidget* widget : area.widget()->findChildren<QWidget*>()) {
            if (!isControl(widget) || !widget->isVisibleTo(area.widget())) continue;
            if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
            // The whole control, not only its text cursor (which is all that the scroll
            // area's ensureWidgetVisible brings into view for a line edit).
            const QPoint middle = widget->mapTo(area.widget(), widget->rect().center());
            area.ensureVisible(middle.x(), middle.y(), widget->width() / 2 + 1,
                               widget->height() / 2 + 1);
            QApplication::processEvents();
            const QRect shown(widget->mapTo(area.viewport(), QPoint(0, 0)), widget->size());
            const QRect view = area.viewport()->rect();
            // Wholly in view, or (a grid larger than the page) its corner and part of it.
            const bool inView = view.contains(shown) ||
                                (view.contains(shown.topLeft()) && view.intersects(shown) &&
                                 (shown.width() > view.width() || shown.height() > view.height()));
            const QRect inWindow(widget->mapTo(&frame, QPoint(0, 0)), widget->size());
            if (inView && frame.rect().intersects(inWindow))
                ++reached;
            else
                unreachable << widget->objectName();
        }
        return reached;
    }

    TestProgram test;
    kvt::ui::Program& program = test.program();
    MainFrame frame{program};
};

}  // namespace

TEST_F(LaptopWindow, TheWindowFitsTheScreenWithTheStatusBarOnIt) {
    EXPECT_LE(frame.minimumSizeHint().width(), Laptop.width());
    EXPECT_LE(frame.minimumSizeHint().height(), Laptop.height());
    EXPECT_EQ(frame.size(), Laptop);
    for (int tab = 1; tab <= 6; ++tab) {
        frame.clickMainTab(tab);
        QApplication::processEvents();
        EXPECT_EQ(frame.size(), Laptop) << "tab " << tab;
        QStatusBar* bar = frame.statusBar();
        ASSERT_TRUE(bar->isVisible());
        const QRect onWindow(bar->mapTo(&frame, QPoint(0, 0)), bar->size());
        EXPECT_TRUE(frame.rect().contains(onWindow)) << "tab " << tab;
    }
}

TEST_F(LaptopWindow, EveryControlOfEveryPageAndInnerTabCanBeReached) {
    int reached = 0;
    for (int tab = 1; tab <= 6; ++tab) {
        frame.clickMainTab(tab);
        QApplication::processEvents();
        auto* area = frame.findChild<QScrollArea*>(QString("MainPageScroll_%1").arg(tab - 1));
        ASSERT_NE(area, nullptr) << "tab " << tab;
        ASSERT_TRUE(area->isVisible()) << "tab " << tab;
        // Every tab of the page's own tab strips in turn.
        const auto strips = area->widget()->findChildren<QTabBar*>();
        std::vector<std::pair<QTabBar*, int>> inner = {{nullptr, 0}};
        for (QTabBar* strip : strips)
            for (int index = 0; index < strip->count(); ++index) inner.emplace_back(strip, index);
        for (const auto& [strip, index] : inner) {
            if (strip) {
                if (!strip->isVisibleTo(area->widget())) continue;
                area->ensureWidgetVisible(strip, 0, 0);
                QTest::mouseClick(strip, Qt::LeftButton, {}, strip->tabRect(index).center());
                QApplication::processEvents();
            }
            QStringList unreachable;
            reached += reachControls(*area, unreachable);
            EXPECT_TRUE(unreachable.isEmpty())
                << "tab " << tab << ": " << unreachable.join(", ").toStdString();
        }
    }
    // The capture lines, the register pages' fields, the setup page's boxes: many controls.
    EXPECT_GT(reached, 200);
}
