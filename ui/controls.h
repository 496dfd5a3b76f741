// The kinds of control the windows are made of. Programmatic and user changes raise the same
// events: a text that changes raises Change, an option that becomes selected raises Click, a
// check box whose value changes raises Click.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/control.h"

namespace kvt::ui {

// Key codes of the keys the program handles.
enum Key : int { KeyReturn = 13, KeyF1 = 112, KeyF2 = 113, KeyF7 = 118, KeyF12 = 123 };

class CaptionedControl : public Control {
public:
    const std::string& caption() const { return caption_; }
    // Raises Change when the caption differs.
    void setCaption(const std::string& caption) {
        if (assign(caption_, caption)) Change.raise();
    }

    Event<> Change;

private:
    std::string caption_;
};

class Label : public CaptionedControl {
public:
    // A label may show a field of a data binding.
    const std::string& dataField() const { return dataField_; }
    void setDataField(const std::string& field) { dataField_ = field; }

private:
    std::string dataField_;
};

class Frame : public CaptionedControl {};

class TextBox : public Control {
public:
    const std::string& text() const { return text_; }
    // Raises Change when the text differs from the one shown.
    void setText(const std::string& text);
    // What the operator types: refused while the box is locked (the program's own setText
    // still shows its values there).
    void edit(const std::string& text);
    bool locked() const { return locked_; }
    void setLocked(bool locked) { assign(locked_, locked); }
    // The field of the data binding this box shows (empty when unbound).
    const std::string& dataField() const { return dataField_; }
    void setDataField(const std::string& field) { dataField_ = field; }

    Event<> Change;
    Event<int> KeyDown;
    Event<int> KeyUp;

private:
    std::string text_;
    bool locked_ = false;
    std::string dataField_;
};

class CommandButton : public CaptionedControl {
public:
    // A click by the user or the program; does nothing while the button is disabled.
    void click();
    void pressMouse();
    void releaseMouse();

    Event<> Click;
    Event<> MouseDown;
    Event<> MouseUp;
};

class CheckBox : public CaptionedControl {
public:
    bool checked() const { return checked_; }
    // Raises Click when the value changes.
    void setChecked(bool checked);
    const std::string& dataField() const { return dataField_; }
    void setDataField(const std::string& field) { dataField_ = field; }

    Event<> Click;

private:
    bool checked_ = false;
    std::string dataField_;
};

class OptionButton : public CaptionedControl {
public:
    bool selected() const { return selected_; }
    // Selects this option and clears the others of its group; raises Click when it was not
    // selected before.
    void select();
    // Leaves this option unselected (a stored value that names none of the group's options),
    // without an event.
    void deselect() { clear(); }

    Event<> Click;

    template <std::size_t N>
    static void makeGroup(std::array<OptionButton, N>& options) {
        for (auto& option : options) {
            option.group_.clear();
            for (auto& other : options) option.group_.push_back(&other);
        }
    }

private:
    void clear() { assign(selected_, false); }
    bool selected_ = false;
    std::vector<OptionButton*> group_;
};

// A picture box used as a lamp: palette colour 14 (yellow) when lit, 0 (black) when dark.
class Lamp : public Control {
public:
    static constexpr int Dark = 0;
    static constexpr int Lit = 14;
    int colour() const { return colour_; }
    void setColour(int colour) { assign(colour_, colour); }
    bool lit() const { return colour_ == Lit; }

private:
    int colour_ = Dark;
};

class Slider : public Control {
public:
    int value() const { return value_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setRange(int minimum, int maximum);
    // Raises Change when the value (kept within the range) differs.
    void setValue(int value);
    // The user moves the slider: the value changes, then Scroll is raised.
    void scrollTo(int value) {
        setValue(value);
        Scroll.raise();
    }

    Event<> Change;
    Event<> Scroll;

private:
    int value_ = 0;
    int min_ = 0;
    int max_ = 10;
};

class ProgressBar : public Control {
public:
    int value() const { return value_; }
    int maximum() const { return max_; }
    void setMaximum(int maximum) { assign(max_, maximum < 1 ? 1 : maximum); }
    void setValue(int value) { assign(value_, value); }

private:
    int value_ = 0;
    int max_ = 100;
};

class StatusBar : public Control {
public:
    static constexpr int PanelCount = 3;
    const std::string& panelText(int panel) const { return panels_.at(panel); }
    void setPanelText(int panel, const std::string& text) { assign(panels_.at(panel), text); }

private:
    std::array<std::string, PanelCount> panels_;
};

// A strip of tabs numbered from 1.
class TabStrip : public Control {
public:
    explicit TabStrip(int tabCount = 2) : captions_(tabCount) {}
    void setTabCount(int count) { captions_.resize(count); }
    int tabCount() const { return static_cast<int>(captions_.size()); }
    const std::string& tabCaption(int tab) const { return captions_.at(tab - 1); }
    void setTabCaption(int tab, const std::string& caption) {
        assign(captions_.at(tab - 1), caption);
    }
    int selectedTab() const { return selected_; }
    // A click on tab t (1-based): selects it and raises Click.
    void clickTab(int tab);

    Event<> Click;

private:
    std::vector<std::string> captions_;
    int selected_ = 1;
};

// The pages behind a tab strip: the one at the front is shown.
class ContainerStack : public Control {
public:
    explicit ContainerStack(int count = 2) : count_(count) {}
    int count() const { return count_; }
    int front() const { return front_; }
    void bringToFront(int index);

private:
    int count_;
    int front_ = 0;
};

class ComboBox : public Control {
public:
    const std::vector<std::string>& items() const { return items_; }
    void addItem(const std::string& item);
    void clear();
    const std::string& text() const { return text_; }
    // Raises Change when the text differs.
    void setText(const std::string& text);
    int listIndex() const { return listIndex_; }
    // Picks item i from the list (its text becomes the combo's text) and raises Click.
    void pick(int index);
    const std::string& dataField() const { return dataField_; }
    void setDataField(const std::string& field) { dataField_ = field; }

    // The list is about to drop down.
    void dropDown() { DropDown.raise(); }

    Event<> Change;
    Event<> Click;
    Event<> DropDown;

private:
    std::vector<std::string> items_;
    std::string text_;
    int listIndex_ = -1;
    std::string dataField_;
};

class UpDown : public Control {
public:
    int value() const { return value_; }
    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setValue(int value);
    void stepUp() { setValue(value_ + 1); }
    void stepDown() { setValue(value_ - 1); }

    Event<> Change;

private:
    int value_ = 0;
    int min_ = 0;
    int max_ = 10;
};

class MenuItem : public CaptionedControl {
public:
    // A click by the user; does nothing while the item is disabled.
    void click();
    Event<> Click;
};

// The toolbar: buttons by position (1-based), identified by their key text.
class Toolbar : public Control {
public:
    struct Button {
        std::string key;  // empty for a separator
        std::string toolTip;
        bool enabled = true;
        bool separator() const { return key.empty(); }
    };

    explicit Toolbar(std::vector<std::string> keys);
    int buttonCount() const { return static_cast<int>(buttons_.size()); }
    const Button& button(int position) const { return buttons_.at(position - 1); }
    // The button with this key, or nullptr.
    const Button* find(const std::string& key) const;
    void setToolTip(int position, const std::string& text);
    void setEnabled(const std::string& key, bool enabled);
    // A click on the button with this key: raises ButtonClick when the button is enabled.
    void clickButton(const std::string& key);

    Event<const std::string&> ButtonClick;

private:
    std::vector<Button> buttons_;
};

class Timer : public Control {
public:
    int interval() const { return interval_; }
    void setInterval(int milliseconds) { assign(interval_, milliseconds); }
    bool running() const { return running_; }
    void setRunning(bool running) { assign(running_, running); }
    void tick() const { Tick.raise(); }

    Event<> Tick;

private:
    int interval_ = 1000;
    bool running_ = false;
};

// A window: caption, key preview and the window's key handler.
class Form : public CaptionedControl {
public:
    bool keyPreview() const { return keyPreview_; }
    void setKeyPreview(bool on) { assign(keyPreview_, on); }
    bool loaded() const { return loaded_; }
    void setLoaded(bool loaded) { assign(loaded_, loaded); }
    // A key pressed in the window: reaches KeyDown only while key preview is on.
    void pressKey(int key);
    void releaseKey(int key);

    Event<int> KeyDown;
    Event<int> KeyUp;

private:
    bool keyPreview_ = false;
    bool loaded_ = false;
};

}  // namespace kvt::ui
