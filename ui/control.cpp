#include "ui/control.h"

#include <algorithm>

namespace kvt::ui {

void Control::setEnabled(bool enabled) {
    assign(enabled_, enabled);
}

void Control::setVisible(bool visible) {
    assign(visible_, visible);
}

void Control::notify() const {
    if (observer_) observer_->controlChanged(*this);
}

void ControlRegistry::add(Control& control, std::string name) {
    control.setName(std::move(name));
    controls_.push_back(&control);
}

Control* ControlRegistry::find(const std::string& name) const {
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [&](const Control* c) { return c->name() == name; });
    return it == controls_.end() ? nullptr : *it;
}

void ControlRegistry::setObserver(ControlObserver* observer) {
    for (Control* control : controls_) control->setObserver(observer);
}

}  // namespace kvt::ui
