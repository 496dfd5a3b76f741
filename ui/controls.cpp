#include "ui/controls.h"

#include <algorithm>

namespace kvt::ui {

void TextBox::setText(const std::string& text) {
    if (assign(text_, text)) Change.raise();
}

void TextBox::edit(const std::string& text) {
    if (locked_) {
        notify();  // the view shows the box's own text again
        return;
    }
    setText(text);
}

void CommandButton::click() {
    if (enabled()) Click.raise();
}

void CommandButton::pressMouse() {
    if (enabled()) MouseDown.raise();
}

void CommandButton::releaseMouse() {
    if (enabled()) MouseUp.raise();
}

void CheckBox::setChecked(bool checked) {
    if (assign(checked_, checked)) Click.raise();
}

void OptionButton::select() {
    if (selected_) return;
    for (OptionButton* other : group_)
        if (other != this) other->clear();
    assign(selected_, true);
    Click.raise();
}

void Slider::setRange(int minimum, int maximum) {
    bool changed = assign(min_, minimum) | assign(max_, std::max(minimum, maximum));
    if (changed) setValue(value_);
}

void Slider::setValue(int value) {
    if (assign(value_, std::clamp(value, min_, max_))) Change.raise();
}

void TabStrip::clickTab(int tab) {
    if (tab < 1 || tab > tabCount()) return;
    assign(selected_, tab);
    Click.raise();
}

void ContainerStack::bringToFront(int index) {
    if (index >= 0 && index < count_) assign(front_, index);
}

void ComboBox::addItem(const std::string& item) {
    items_.push_back(item);
    notify();
}

void ComboBox::clear() {
    items_.clear();
    listIndex_ = -1;
    notify();
}

void ComboBox::setText(const std::string& text) {
    if (assign(text_, text)) Change.raise();
}

void ComboBox::pick(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    listIndex_ = index;
    setText(items_[index]);
    notify();
    Click.raise();
}

void UpDown::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    notify();
}

void UpDown::setValue(int value) {
    if (assign(value_, std::clamp(value, min_, max_))) Change.raise();
}

void MenuItem::click() {
    if (enabled()) Click.raise();
}

Toolbar::Toolbar(std::vector<std::string> keys) {
    for (auto& key : keys) buttons_.push_back(Button{std::move(key), {}, true});
}

const Toolbar::Button* Toolbar::find(const std::string& key) const {
    if (key.empty()) return nullptr;
    auto it = std::find_if(buttons_.begin(), buttons_.end(),
                           [&](const Button& b) { return b.key == key; });
    return it == buttons_.end() ? nullptr : &*it;
}

void Toolbar::setToolTip(int position, const std::string& text) {
    assign(buttons_.at(position - 1).toolTip, text);
}

void Toolbar::setEnabled(const std::string& key, bool enabled) {
    for (auto& button : buttons_)
        if (button.key == key) assign(button.enabled, enabled);
}

void Toolbar::clickButton(const std::string& key) {
    const Button* button = find(key);
    if (button && !button->enabled) return;
    ButtonClick.raise(key);
}

void Form::pressKey(int key) {
    if (keyPreview_) KeyDown.raise(key);
}

void Form::releaseKey(int key) {
    if (keyPreview_) KeyUp.raise(key);
}

}  // namespace kvt::ui
