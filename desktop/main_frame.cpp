#include "desktop/main_frame.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/grid_model.h"
#include "desktop/notice_strip.h"
#include "desktop/qt_text.h"
#include "shell/commands.h"

namespace kvt::desktop {

namespace {

QString nameOf(const ui::Control& control) {
    return q(control.name());
}

// The lamp colours of the classic 16-colour palette that the program uses.
QString lampStyle(int colour) {
    return colour == ui::Lamp::Lit
               ? "background:#ffff00; border:1px solid #808000; border-radius:7px;"
               : "background:#000000; border:1px solid #404040; border-radius:7px;";
}

// Icons from the desktop's theme, with the style's standard icons where the theme has none.
QIcon toolIcon(const std::string& key, QStyle* style) {
    struct Icon {
        const char* key;
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    static const Icon icons[] = {
        {"a", "document-open", QStyle::SP_DialogOpenButton},
        {"b", "document-close", QStyle::SP_DialogCloseButton},
        {"c", "edit-clear", QStyle::SP_BrowserReload},
        {"d", "document-new", QStyle::SP_FileIcon},
        {"e", "document-revert", QStyle::SP_DialogResetButton},
        {"f", "package-x-generic", QStyle::SP_DriveHDIcon},
        {"g", "edit-copy", QStyle::SP_DirLinkIcon},
        {"h", "x-office-document", QStyle::SP_FileDialogContentsView},
        {"i", "document-print-preview", QStyle::SP_FileDialogInfoView},
        {"j", "text-html", QStyle::SP_FileDialogListView},
        {"k", "web-browser", QStyle::SP_DesktopIcon},
        {"l", "help-contents", QStyle::SP_DialogHelpButton},
        {"m", "help-about", QStyle::SP_MessageBoxInformation},
        {"n", "application-exit", QStyle::SP_TitleBarCloseButton},
    };
    for (const Icon& icon : icons)
        if (key == icon.key)
            return QIcon::fromTheme(icon.theme, style->standardIcon(icon.fallback));
    return {};
}

// A combo box whose list is filled by the program just before it drops down.
class DropDownCombo : public QComboBox {
public:
    explicit DropDownCombo(ui::ComboBox& control) : control_(control) {}
    void showPopup() override {
        control_.dropDown();
        QComboBox::showPopup();
    }

private:
    ui::ComboBox& control_;
};

// A line edit whose Enter and key releases reach the text box of the model.
class ModelLineEdit : public QLineEdit {
public:
    explicit ModelLineEdit(ui::TextBox& control) : control_(control) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            control_.KeyDown.raise(ui::KeyReturn);  // a held key repeats; the program decides
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (!event->isAutoRepeat()) control_.KeyUp.raise(event->key());
        QLineEdit::keyReleaseEvent(event);
    }

private:
    ui::TextBox& control_;
};

}  // namespace

MainFrame::MainFrame(ui::Program& program) : program_(program) {
    setObjectName("MDIMain");
    // As large as suits the pages, within the screen (a 1366 x 768 laptop shows it whole).
    QSize size(1280, 800);
    if (QScreen* shown = screen()) size = size.boundedTo(shown->availableGeometry().size());
    resize(size);
    hidden_ = new QWidget(this);
    hidden_->setVisible(false);
    buildMenus();
    buildToolbar();
    buildStatusBar();

    auto& main = program_.Main;
    // Each page scrolls where the window is smaller than it, so the window needs no more
    // room than a small laptop's screen and the status bar stays on it.
    auto* pages = tabbedPages(
        main.MainTabStrip, main.MainConTainer,
        {scrolled(buildCapturePage(), 0), scrolled(buildCompetitorPage(), 1),
         scrolled(buildClubPage(), 2), scrolled(buildClassPage(), 3),
         scrolled(buildSetupPage(), 4), scrolled(buildResultsPage(), 5),
         scrolled(buildStartsPage(), 6)});
    pages->setObjectName("Main");
    // The notices above the pages, in the window itself: they never take the keyboard.
    auto* central = new QWidget(this);
    central->setObjectName("MainArea");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new NoticeStrip(central));
    layout->addWidget(pages, 1);
    setCentralWidget(central);
    buildCourseWindow();
    buildTimers();

    // A language routine always sets the title; Qt's own texts follow the language with it.
    onChange(program_.MDIMain.Frame, [this] {
        setWindowTitle(q(program_.MDIMain.Frame.caption()));
        translations_.follow(program_.language);
        showLanguage();
    });
    program_.setObserver(this);
    qApp->installEventFilter(this);
}

MainFrame::~MainFrame() {
    qApp->removeEventFilter(this);
    program_.setObserver(nullptr);
}

void MainFrame::onChange(const ui::Control& control, std::function<void()> refresh) {
    refresh();
    refreshers_[&control].push_back(std::move(refresh));
}

void MainFrame::controlChanged(const ui::Control& control) {
    auto found = refreshers_.find(&control);
    if (found == refreshers_.end()) return;
    for (auto& refresh : found->second) refresh();
}

void MainFrame::refreshAll() {
    for (auto& [control, refreshes] : refreshers_)
        for (auto& refresh : refreshes) refresh();
}

// F2 to F7 reach the main window's key handler wherever the focus is.
bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The course view's window is the capture page's too: the keys stay capture's.
        const bool ours = isActiveWindow() || (course_ && course_->isActiveWindow());
        if (key->key() >= Qt::Key_F2 && key->key() <= Qt::Key_F7 && ours) {
            if (!key->isAutoRepeat())
                program_.Main.Window.pressKey(ui::KeyF2 + (key->key() - Qt::Key_F2));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Closing the window is the Exit command, which ends the event loop itself; the window stays
// until then. A close while Exit is running (its dialogs let events run) adds nothing.
void MainFrame::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (exiting_) return;
    exiting_ = true;
    shell::RunCommand(program_, shell::Command::Exit);
    exiting_ = false;
}

void MainFrame::showLanguage() {
    const lang::Language language = program_.language;
    if (auto* box = findChild<QWidget*>("SetupText_16"))
        box->setToolTip(q(lang::UserLanguageBoxText().in(language)));
    if (auto* box = findChild<QWidget*>("SetupText_19"))
        box->setToolTip(q(lang::MeetLanguageBoxText().in(language)));
}

void MainFrame::buildMenus() {
    auto& mdi = program_.MDIMain;
    auto addMenu = [this](ui::MenuItem& title, std::initializer_list<ui::MenuItem*> items,
                          std::initializer_list<int> separatorsAfter) {
        QMenu* menu = menuBar()->addMenu(QString());
        menu->setObjectName(nameOf(title));
        onChange(title, [menu, &title] {
            menu->setTitle(q(title.caption()));
            menu->setEnabled(title.enabled());
        });
        int index = 0;
        for (ui::MenuItem* item : items) {
            QAction* action = menu->addAction(QString());
            action->setObjectName(nameOf(*item));
            connect(action, &QAction::triggered, this, [item] { item->click(); });
            onChange(*item, [action, item] {
                action->setText(q(item->caption()));
                action->setEnabled(item->enabled());
                action->setVisible(item->visible());
            });
            for (int after : separatorsAfter)
                if (after == index) menu->addSeparator();
            ++index;
        }
    };
    addMenu(mdi.Database,
            {&mdi.Open, &mdi.Close, &mdi.Reset, &mdi.MakeNew, &mdi.Repair, &mdi.Kompress, &mdi.Copy,
             &mdi.HostOnServer, &mdi.StartServer, &mdi.JoinServer, &mdi.SaveAsFile, &mdi.ImportCsv,
             &mdi.ExportCsv,
             &mdi.ImportIof, &mdi.Avslutt},
            {1, 3, 6, 10, 13});
    addMenu(mdi.Lists,
            {&mdi.MakeResultslist, &mdi.ViewResultslist, &mdi.MakeResultslistHtml,
             &mdi.ViewResultslistHtml, &mdi.PrintResultslist, &mdi.PdfResultslist,
             &mdi.MakeStartlist, &mdi.ViewStartlist, &mdi.ViewStartlistHtml, &mdi.PrintStartlist,
             &mdi.PdfStartlist, &mdi.MakeIofXml},
            {1, 3, 5, 8, 10});
    addMenu(mdi.Help, {&mdi.General, &mdi.Search, &mdi.Adapter, &mdi.About}, {1, 2});
}

void MainFrame::buildToolbar() {
    auto& toolbar = program_.Main.MainToolbar;
    QToolBar* bar = addToolBar(QString());
    bar->setObjectName("MainToolbar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    std::vector<std::pair<std::string, QAction*>> actions;
    for (int position = 1; position <= toolbar.buttonCount(); ++position) {
        const auto& button = toolbar.button(position);
        if (button.separator()) {
            bar->addSeparator();
            continue;
        }
        std::string key = button.key;
        QAction* action = bar->addAction(toolIcon(key, style()), QString());
        action->setObjectName(q("MainToolbar_" + key));
        connect(action, &QAction::triggered, this, [&toolbar, key] { toolbar.clickButton(key); });
        actions.emplace_back(key, action);
    }
    onChange(toolbar, [&toolbar, actions] {
        for (const auto& [key, action] : actions) {
            const auto* button = toolbar.find(key);
            action->setToolTip(q(button->toolTip));
            action->setText(q(button->toolTip));
            action->setEnabled(button->enabled);
        }
    });
}

void MainFrame::buildStatusBar() {
    auto& status = program_.MDIMain.Status;
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar");
    for (int panel = 0; panel < ui::StatusBar::PanelCount; ++panel) {
        auto* text = new QLabel(bar);
        text->setObjectName(QString("StatusBar_%1").arg(panel));
        text->setMinimumWidth(panel == 2 ? 360 : 120);
        bar->addWidget(text, panel == 2 ? 1 : 0);
        onChange(status, [text, &status, panel] { text->setText(q(status.panelText(panel))); });
    }
    QWidget* progress = progressBar(program_.MDIMain.Progress);
    progress->setMaximumWidth(240);
    bar->addPermanentWidget(progress);
}

void MainFrame::buildTimers() {
    auto& main = program_.Main;
    for (ui::Timer* model :
         {&main.Hitime1, &main.Hitime2, &main.Hitime3, &main.LiveTimer, &main.WebTimer}) {
        auto* timer = new QTimer(this);
        timer->setTimerType(model == &main.Hitime1 ? Qt::PreciseTimer : Qt::CoarseTimer);
        connect(timer, &QTimer::timeout, this, [model] { model->tick(); });
        onChange(*model, [timer, model] {
            timer->setInterval(model->interval());
            if (model->running() && !timer->isActive()) timer->start();
            if (!model->running()) timer->stop();
        });
        timers_.push_back(timer);
    }
}

// ---- widgets for controls ----

QLabel* MainFrame::label(ui::Label& control) {
    auto* widget = new QLabel;
    widget->setObjectName(nameOf(control));
    onChange(control, [widget, &control] {
        widget->setText(withoutMnemonic(control.caption()));
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::textBox(ui::TextBox& control) {
    auto* widget = new ModelLineEdit(control);
    widget->setObjectName(nameOf(control));
    connect(widget, &QLineEdit::textEdited, this,
            [&control](const QString& text) { control.edit(text.toStdString()); });
    onChange(control, [widget, &control] {
        QString text = q(control.text());
        if (widget->text() != text) widget->setText(text);
        widget->setReadOnly(control.locked());
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::button(ui::CommandButton& control) {
    auto* widget = new QPushButton;
    widget->setObjectName(nameOf(control));
    widget->setFocusPolicy(Qt::TabFocus);
    connect(widget, &QPushButton::pressed, this, [&control] { control.pressMouse(); });
    connect(widget, &QPushButton::released, this, [&control] { control.releaseMouse(); });
    connect(widget, &QPushButton::clicked, this, [&control] { control.click(); });
    onChange(control, [widget, &control] {
        widget->setText(q(control.caption()));
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::checkBox(ui::CheckBox& control) {
    auto* widget = new QCheckBox;
    widget->setObjectName(nameOf(control));
    connect(widget, &QCheckBox::clicked, this,
            [&control](bool checked) { control.setChecked(checked); });
    onChange(control, [widget, &control] {
        widget->setText(q(control.caption()));
        widget->setChecked(control.checked());
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::option(ui::OptionButton& control) {
    auto* widget = new QRadioButton;
    widget->setObjectName(nameOf(control));
    widget->setAutoExclusive(false);  // the model keeps one option of a group selected
    connect(widget, &QRadioButton::clicked, this, [widget, &control] {
        control.select();
        widget->setChecked(control.selected());
    });
    onChange(control, [widget, &control] {
        widget->setText(q(control.caption()));
        widget->setChecked(control.selected());
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::lamp(ui::Lamp& control) {
    auto* widget = new QLabel;
    widget->setObjectName(nameOf(control));
    widget->setFixedSize(14, 14);
    onChange(control, [widget, &control] {
        widget->setStyleSheet(lampStyle(control.colour()));
        widget->setProperty("colour", control.colour());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::comboBox(ui::ComboBox& control) {
    auto* widget = new DropDownCombo(control);
    widget->setObjectName(nameOf(control));
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    connect(widget, &QComboBox::activated, this, [&control](int index) { control.pick(index); });
    connect(widget, &QComboBox::editTextChanged, this,
            [&control](const QString& text) { control.setText(text.toStdString()); });
    onChange(control, [widget, &control] {
        QSignalBlocker quiet(widget);
        QStringList items;
        for (const auto& item : control.items()) items << q(item);
        QStringList shown;
        for (int i = 0; i < widget->count(); ++i) shown << widget->itemText(i);
        if (shown != items) {
            widget->clear();
            widget->addItems(items);
        }
        if (widget->currentText() != q(control.text())) widget->setEditText(q(control.text()));
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::upDown(ui::UpDown& control) {
    auto* widget = new QWidget;
    widget->setObjectName(nameOf(control));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(widget);
    auto* down = new QToolButton(widget);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (auto* arrow : {up, down}) {
        arrow->setFixedSize(16, 11);
        arrow->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(arrow);
    }
    connect(up, &QToolButton::clicked, this, [&control] { control.stepUp(); });
    connect(down, &QToolButton::clicked, this, [&control] { control.stepDown(); });
    onChange(control, [widget, &control] {
        widget->setEnabled(control.enabled());
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::slider(ui::Slider& control) {
    auto* widget = new QSlider(Qt::Horizontal);
    widget->setObjectName(nameOf(control));
    connect(widget, &QSlider::valueChanged, this,
            [&control](int value) { control.setValue(value); });
    onChange(control, [widget, &control] {
        QSignalBlocker quiet(widget);
        widget->setRange(control.minimum(), control.maximum());
        widget->setValue(control.value());
        widget->setEnabled(control.enabled());
    });
    return widget;
}

QWidget* MainFrame::progressBar(ui::ProgressBar& control) {
    auto* widget = new QProgressBar;
    widget->setObjectName(nameOf(control));
    widget->setTextVisible(false);
    onChange(control, [widget, &control] {
        widget->setRange(0, control.maximum());
        widget->setValue(std::min(control.value(), control.maximum()));
    });
    return widget;
}

QWidget* MainFrame::frame(ui::Frame& control, QBoxLayout* contents) {
    auto* widget = new QGroupBox;
    widget->setObjectName(nameOf(control));
    widget->setLayout(contents);
    onChange(control, [widget, &control] {
        widget->setTitle(withoutMnemonic(control.caption()));
        widget->setVisible(control.visible());
    });
    return widget;
}

QWidget* MainFrame::dataBar(ui::DataControl& control) {
    auto* widget = new QWidget;
    widget->setObjectName(nameOf(control));
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    auto arrow = [&](const QString& text, std::function<void()> move) {
        auto* arrowButton = new QToolButton(widget);
        arrowButton->setText(text);
        arrowButton->setFocusPolicy(Qt::NoFocus);
        connect(arrowButton, &QToolButton::clicked, this, [this, move] {
            try {
                move();
            } catch (const std::exception& error) {
                program_.info(error.what());
            }
        });
        return arrowButton;
    };
    auto* caption = new QLabel(widget);
    caption->setFrameShape(QFrame::StyledPanel);
    caption->setMinimumWidth(200);
    layout->addWidget(arrow("|◀", [&control] { control.moveFirst(); }));
    layout->addWidget(arrow("◀", [&control] { control.movePrevious(); }));
    layout->addWidget(caption, 1);
    layout->addWidget(arrow("▶", [&control] { control.moveNext(); }));
    layout->addWidget(arrow("▶|", [&control] { control.moveLast(); }));
    onChange(control, [caption, &control] {
        QString text = q(control.caption()).trimmed();
        if (control.isOpen())
            text += QString("   %1 / %2").arg(control.position()).arg(control.recordCount());
        caption->setText(text);
    });
    return widget;
}

QWidget* MainFrame::grid(ui::DataGrid& control) {
    auto* view = new QTableView;
    view->setObjectName(nameOf(control));
    auto* model = new GridModel(control, view);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->setDefaultSectionSize(22);
    auto& source = control.source();
    auto show = [view, model, &control, &source] {
        model->sync();
        for (int column = 0; column < model->columnCount(); ++column) {
            auto layout = control.column(column);
            // 15 twips a pixel at 96 dpi, widened by how much wider this font's digits are
            // than the 5 pixels of the small system font the widths were chosen for.
            double scale = std::max(1.0, view->fontMetrics().horizontalAdvance('0') / 5.0);
            view->setColumnWidth(column, static_cast<int>(layout.widthTwips / 15 * scale));
            view->setColumnHidden(column, !layout.visible);
        }
        // The row of the record; the cell the operator is in stays his (selecting the row
        // again would put him back in its first cell, and Tab would never get past it).
        const int row = source.position() - 1;
        if (row >= 0 && view->currentIndex().row() != row) view->selectRow(row);
        view->setVisible(control.visible());
    };
    onChange(control, show);
    onChange(source, show);
    connect(view, &QTableView::clicked, this, [this, &source](const QModelIndex& index) {
        try {
            source.moveTo(index.row() + 1);
        } catch (const std::exception& error) {
            program_.info(error.what());
        }
    });
    return view;
}

QWidget* MainFrame::textArea(ui::TextBox& control) {
    auto* widget = new QPlainTextEdit;
    widget->setObjectName(nameOf(control));
    widget->setMaximumHeight(80);
    connect(widget, &QPlainTextEdit::textChanged, this,
            [widget, &control] { control.edit(widget->toPlainText().toStdString()); });
    onChange(control, [widget, &control] {
        QString text = q(control.text());
        if (widget->toPlainText() != text) {
            QSignalBlocker quiet(widget);
            widget->setPlainText(text);
        }
        widget->setReadOnly(control.locked());
        widget->setEnabled(control.enabled());
    });
    return widget;
}

QWidget* MainFrame::scrolled(QWidget* page, int index) {
    auto* area = new QScrollArea;
    area->setObjectName(QString("MainPageScroll_%1").arg(index));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    // The scroll area never takes the focus itself: keys go to the page's own controls (and
    // the page's shortcuts, bound to the page, keep working).
    area->setFocusPolicy(Qt::NoFocus);
    area->setWidget(page);
    return area;
}

QWidget* MainFrame::tabbedPages(ui::TabStrip& strip, ui::ContainerStack& stack,
                                const std::vector<QWidget*>& pages) {
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* tabs = new QTabBar(widget);
    tabs->setObjectName(nameOf(strip));
    tabs->setExpanding(false);
    tabs->setDrawBase(true);
    for (int t = 1; t <= strip.tabCount(); ++t) tabs->addTab(QString());
    auto* stacked = new QStackedWidget(widget);
    stacked->setObjectName(nameOf(stack));
    stacked->setFrameShape(QFrame::StyledPanel);
    for (QWidget* page : pages) stacked->addWidget(page);
    layout->addWidget(tabs);
    layout->addWidget(stacked, 1);
    connect(tabs, &QTabBar::tabBarClicked, this, [&strip](int index) {
        if (index >= 0) strip.clickTab(index + 1);
    });
    onChange(strip, [tabs, &strip] {
        QSignalBlocker quiet(tabs);
        for (int t = 1; t <= strip.tabCount(); ++t) tabs->setTabText(t - 1, q(strip.tabCaption(t)));
        tabs->setCurrentIndex(strip.selectedTab() - 1);
    });
    onChange(stack, [stacked, &stack] { stacked->setCurrentIndex(stack.front()); });
    return widget;
}

void MainFrame::formRow(QGridLayout* grid, int row, int col, ui::Label& caption, QWidget* field) {
    QLabel* text = label(caption);
    text->setBuddy(field);
    grid->addWidget(text, row, col * 2);
    grid->addWidget(field, row, col * 2 + 1);
}

}  // namespace kvt::desktop
