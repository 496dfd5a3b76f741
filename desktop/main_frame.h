// The frame window: shows the window model in Qt widgets and forwards the user's typing,
// clicks and keys to it. It holds no behaviour of its own beyond layout and painting.
#pragma once

#include <QMainWindow>
#include <functional>
#include <unordered_map>

#include "desktop/qt_translations.h"
#include "ui/program.h"

class QBoxLayout;
class QGridLayout;
class QLabel;
class QTimer;

namespace kvt::desktop {

class MainFrame : public QMainWindow, public ui::ControlObserver {
    Q_OBJECT
public:
    explicit MainFrame(ui::Program& program);
    ~MainFrame() override;

    void controlChanged(const ui::Control& control) override;
    // Shows every control as the model holds it.
    void refreshAll();
    // A click on tab t (1-based) of the main tab strip.
    void clickMainTab(int tab) { program_.Main.MainTabStrip.clickTab(tab); }
    ui::Program& program() { return program_; }
    const QtTranslations& translations() const { return translations_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Each widget made for a control registers how it shows that control.
    void onChange(const ui::Control& control, std::function<void()> refresh);

    // The tool tips the Qt layer adds, in the language in force.
    void showLanguage();
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void buildTimers();
    QWidget* buildCapturePage();
    QWidget* buildCompetitorPage();
    QWidget* buildClubPage();
    QWidget* buildClassPage();
    QWidget* buildSetupPage();
    QWidget* buildResultsPage();
    // The race as it runs: a status box (capture and results pages), the capture page's count
    // of those on the course and line of waiting times, and the course view's own window.
    QWidget* statusBox(ui::StatusControls& controls);
    QWidget* raceBar();
    void buildCourseWindow();
    QWidget* buildStartsPage();
    // The setup page's pages for the web and their publishing.
    QBoxLayout* webLayout();

    // Widgets for controls of the model.
    QLabel* label(ui::Label& control);
    QWidget* textBox(ui::TextBox& control);
    QWidget* button(ui::CommandButton& control);
    QWidget* checkBox(ui::CheckBox& control);
    QWidget* option(ui::OptionButton& control);
    QWidget* lamp(ui::Lamp& control);
    QWidget* comboBox(ui::ComboBox& control);
    QWidget* upDown(ui::UpDown& control);
    QWidget* slider(ui::Slider& control);
    QWidget* progressBar(ui::ProgressBar& control);
    QWidget* frame(ui::Frame& control, QBoxLayout* contents);
    QWidget* dataBar(ui::DataControl& control);
    QWidget* correctionBar(ui::CorrectionBar& bar, bool competitor);
    void undoKeys(QWidget* page, ui::CorrectionBar& bar);
    QWidget* grid(ui::DataGrid& control);
    // A box for text of several lines.
    QWidget* textArea(ui::TextBox& control);
    // A tab strip above the stack of pages it brings to the front.
    // A page of the main tab strip in a scroll area of its own ("MainPageScroll_<index>").
    QWidget* scrolled(QWidget* page, int index);
    QWidget* tabbedPages(ui::TabStrip& strip, ui::ContainerStack& stack,
                         const std::vector<QWidget*>& pages);
    // Label and field side by side in a form grid.
    void formRow(QGridLayout* grid, int row, int column, ui::Label& caption, QWidget* field);

    ui::Program& program_;
    // Follows the language in force, which changes only with the window titles.
    QtTranslations translations_;
    std::unordered_map<const ui::Control*, std::vector<std::function<void()>>> refreshers_;
    std::vector<QTimer*> timers_;
    // Holds the widgets of controls that are never shown (boxes that keep an index or a state).
    QWidget* hidden_;
    bool exiting_ = false;
    // The course view: a window of its own beside the main one.
    QWidget* course_ = nullptr;
};

}  // namespace kvt::desktop
