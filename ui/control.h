// The window model: plain controls that the program logic drives and the Qt layer shows.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvt::ui {

class Control;

// The Qt layer (or a test) watches controls through this: one call per changed control.
class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void controlChanged(const Control& control) = 0;
};

// One event handler slot, as a window event has one handler.
template <typename... Args>
class Event {
public:
    Event& operator=(std::function<void(Args...)> handler) {
        handler_ = std::move(handler);
        return *this;
    }
    void raise(Args... args) const {
        if (handler_) handler_(args...);
    }
    explicit operator bool() const { return static_cast<bool>(handler_); }

private:
    std::function<void(Args...)> handler_;
};

class Control {
public:
    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);

    void setObserver(ControlObserver* observer) { observer_ = observer; }

protected:
    void notify() const;
    // Sets a property and tells the observer when it changed; returns whether it did.
    template <typename T>
    bool assign(T& property, const T& value) {
        if (property == value) return false;
        property = value;
        notify();
        return true;
    }

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    ControlObserver* observer_ = nullptr;
};

// Every control of a window registers here under its name ("Number_3" for element 3 of the
// array Number), so that observers attach to all of them and captions can be found by name.
class ControlRegistry {
public:
    void add(Control& control, std::string name);
    template <typename T, std::size_t N>
    void addArray(std::array<T, N>& controls, const std::string& baseName) {
        for (std::size_t i = 0; i < N; ++i) add(controls[i], baseName + "_" + std::to_string(i));
    }
    Control* find(const std::string& name) const;
    const std::vector<Control*>& all() const { return controls_; }
    void setObserver(ControlObserver* observer);

private:
    std::vector<Control*> controls_;
};

}  // namespace kvt::ui
