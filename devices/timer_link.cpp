#include "devices/timer_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kvt::devices {

namespace {

bool rateSpeed(int rate, speed_t& speed) {
    switch (rate) {
        case 1200:
            speed = B1200;
            return true;
        case 2400:
            speed = B2400;
            return true;
        case 4800:
            speed = B4800;
            return true;
        case 9600:
            speed = B9600;
            return true;
        case 19200:
            speed = B19200;
            return true;
        case 38400:
            speed = B38400;
            return true;
        case 57600:
            speed = B57600;
            return true;
        case 115200:
            speed = B115200;
            return true;
        default:
            return false;
    }
}

// A byte no timer sends within its text: what a wrong rate makes of the bytes on the line.
bool noise(unsigned char byte) {
    return byte >= 0x80 || (byte < 0x20 && byte != '\r' && byte != '\n' && byte != 0x10 &&
                            byte != 0x12 && byte != 0x14 && byte != 0x17 && byte != 0x18);
}

std::string errorText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

bool SerialRate(int rate) {
    speed_t speed{};
    return rateSpeed(rate, speed);
}

std::string ConfigureSerialPort(int fd, int rate, bool rtsCts) {
    speed_t speed{};
    if (!rateSpeed(rate, speed)) return "the rate " + std::to_string(rate) + " is none a port has";
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) return errorText("not a serial port");
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    if (rtsCts) settings.c_cflag |= CRTSCTS;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // At least one byte for a read that waits; the port is non-blocking, so a read without a
    // byte says EAGAIN and a read of none means the line hung up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &settings) != 0)
        return errorText("the port refuses its settings");
    return "";
}

int TimerLine(const std::array<std::string, 6>& lines, const std::string& channel) {
    for (int c = 0; c < 6; ++c)
        if (ChannelMatches(lines[c], channel)) return c;
    return -1;
}

LinkDiagnosis Diagnose(LinkState state, const LinkCounters& counters) {
    if (state != LinkState::Open)
        return counters.cuts > 0 ? LinkDiagnosis::Cut : LinkDiagnosis::NoPort;
    if (counters.bytes == 0) return LinkDiagnosis::NothingReceived;
    if (counters.readable > 0) return LinkDiagnosis::Working;
    // Bytes and no record the timer sends: bytes no timer sends as text, or bytes that never
    // end a record, are what a wrong rate makes; text of another form is the wrong timer or a
    // timer set to send something else.
    if (counters.noiseBytes * 4 >= counters.bytes ||
        (counters.records == 0 && counters.bytes >= 64))
        return LinkDiagnosis::WrongRate;
    return LinkDiagnosis::Garbage;
}

bool RepeatFilter::repeated(const Impulse& impulse) {
    if (impulse.kind != RecordKind::Time || !impulse.hasTime) return false;
    // Cleared and disqualified records are messages of their own about a time.
    const char what = impulse.has(Disqualified) ? 'D' : impulse.has(Cleared) ? 'X' : 'T';
    const std::string key = std::string(1, what) + impulse.channel + (impulse.byHand ? "M" : " ") +
                            std::to_string(impulse.timeOfDay);
    auto found = seen_.find(key);
    if (found != seen_.end()) {
        auto& numbers = found->second;
        const bool other =
            impulse.number >= 0 && std::find(numbers.begin(), numbers.end(), -1) == numbers.end() &&
            std::find(numbers.begin(), numbers.end(), impulse.number) == numbers.end();
        if (!other) return true;
        numbers.push_back(impulse.number);
        return false;
    }
    seen_[key].push_back(impulse.number);
    order_.push_back(key);
    if (order_.size() > MaxKept) {
        seen_.erase(order_.front());
        order_.pop_front();
    }
    return false;
}

void TimerClockOffset::add(const Impulse& impulse) {
    const bool live = (impulse.kind == RecordKind::Time || impulse.kind == RecordKind::ClockTick) &&
                      impulse.hasTime && !impulse.byHand &&
                      (impulse.flags & (FromMemory | TypedIn | Repeated)) == 0;
    if (!live) return;
    constexpr std::int64_t Half = base::MicrosecondsPerDay / 2;
    std::int64_t offset = impulse.timeOfDay - base::MicrosecondsOfDay(impulse.arrivalTime);
    offset = ((offset + Half) % base::MicrosecondsPerDay + base::MicrosecondsPerDay) %
                 base::MicrosecondsPerDay -
             Half;
    if (records_ == 0 || offset > offset_) offset_ = offset;
    ++records_;
}

TimerLink::TimerLink(TimerLinkSettings settings, base::Clock* clock)
    : settings_(std::move(settings)), clock_(clock) {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

TimerLink::~TimerLink() {
    stop();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TimerLink::start() {
    stop();
    stopping_ = false;
    state_ = LinkState::Waiting;
    thread_ = std::thread([this] { run(); });
}

void TimerLink::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    wake();
    thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    framer_.reset();
    output_.clear();
    state_ = LinkState::Stopped;
}

void TimerLink::wake() {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
}

void TimerLink::rest(std::chrono::milliseconds timeout) {
    pollfd waiting{wakeFd_, POLLIN, 0};
    ::poll(&waiting, 1, static_cast<int>(timeout.count()));
}

void TimerLink::askMemory() {
    memoryAsked_ = true;
    wake();
}

LinkCounters TimerLink::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

std::string TimerLink::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

bool TimerLink::openPort() {
    const int fd = ::open(settings_.port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    std::string failure;
    if (fd < 0)
        failure = errorText("cannot open " + settings_.port);
    else
        failure = ConfigureSerialPort(fd, settings_.rate, settings_.rtsCts);
    std::lock_guard lock(mutex_);
    if (!failure.empty()) {
        if (fd >= 0) ::close(fd);
        lastError_ = failure;
        return false;
    }
    fd_ = fd;
    ++counters_.opens;
    // After a cut the timer went on stamping: its memory holds what the program missed.
    if (counters_.cuts > 0) memoryAsked_ = true;
    state_ = LinkState::Open;
    return true;
}

void TimerLink::closePort(const std::string& why) {
    ::close(fd_);
    fd_ = -1;
    // The rest of a record cut off will not come; its first part is no record.
    framer_.reset();
    output_.clear();
    std::lock_guard lock(mutex_);
    ++counters_.cuts;
    lastError_ = why;
    state_ = LinkState::Waiting;
}

void TimerLink::run() {
    auto retry = settings_.retryFirst;
    while (!stopping_) {
        if (fd_ < 0) {
            if (!openPort()) {
                rest(retry);
                retry = std::min(retry * 2, settings_.retryLast);
                continue;
            }
            retry = settings_.retryFirst;
        }
        if (memoryAsked_.exchange(false) && settings_.memoryWord != "-") {
            const std::string request = MemoryRequest(settings_.kind, settings_.memoryWord);
            if (!request.empty() && output_.size() < 1024) {
                output_ += request;
                std::lock_guard lock(mutex_);
                ++counters_.memoryRequests;
            }
        }
        pollfd polled[2] = {{fd_, static_cast<short>(POLLIN | (output_.empty() ? 0 : POLLOUT)), 0},
                            {wakeFd_, POLLIN, 0}};
        if (::poll(polled, 2, 200) < 0) {
            if (errno == EINTR) continue;
            closePort(errorText("the port cannot be waited for"));
            continue;
        }
        if (polled[1].revents & POLLIN) {
            std::uint64_t count = 0;
            (void)!::read(wakeFd_, &count, sizeof count);
        }
        if (polled[0].revents & POLLOUT) {
            const ssize_t written = ::write(fd_, output_.data(), output_.size());
            if (written > 0) output_.erase(0, static_cast<std::size_t>(written));
        }
        if (polled[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            if (!readPort()) continue;
            if (polled[0].revents & (POLLERR | POLLNVAL)) closePort("the port failed");
        }
    }
}

bool TimerLink::readPort() {
    char bytes[4096];
    for (;;) {
        const ssize_t count = ::read(fd_, bytes, sizeof bytes);
        if (count < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        if (count <= 0) {
            closePort(count == 0 ? "the port hung up" : errorText("the port was lost"));
            return false;
        }
        // The moment the record's last byte was read, on the race clock.
        const base::MonotonicNanoseconds at =
            clock_ ? clock_->monotonicNow() : base::MonotonicNow();
        std::vector<RecordFramer::Record> records;
        framer_.feed(std::string_view(bytes, static_cast<std::size_t>(count)), records);
        long noisy = 0;
        for (ssize_t i = 0; i < count; ++i)
            if (noise(static_cast<unsigned char>(bytes[i]))) ++noisy;
        {
            std::lock_guard lock(mutex_);
            counters_.bytes += count;
            counters_.noiseBytes += noisy;
        }
        handOn(records, at);
        if (static_cast<std::size_t>(count) < sizeof bytes) return true;
    }
}

void TimerLink::handOn(const std::vector<RecordFramer::Record>& records,
                       base::MonotonicNanoseconds at) {
    if (records.empty()) return;
    const base::LocalTime arrival = clock_ ? clock_->timeOf(at) : base::LocalTime{};
    std::lock_guard lock(mutex_);
    for (const auto& record : records) {
        Impulse impulse;
        try {
            impulse = ParseTimerRecord(settings_.kind, record.bytes);
        } catch (const std::exception&) {
            // Whatever a record holds, the reader goes on: it is kept as unreadable.
            impulse = Impulse{};
            impulse.raw = record.bytes;
            impulse.kind = RecordKind::Unreadable;
            impulse.problem = RecordProblem::Layout;
        }
        if (record.overlong) {
            impulse.kind = RecordKind::Unreadable;
            impulse.problem = RecordProblem::Overlong;
            impulse.hasTime = false;
        }
        impulse.arrival = at;
        impulse.arrivalTime = arrival;
        if (impulse.kind == RecordKind::Time)
            impulse.line = TimerLine(settings_.lines, impulse.channel);
        ++counters_.records;
        if (impulse.kind == RecordKind::Unreadable) {
            ++counters_.unreadable;
            if (impulse.problem == RecordProblem::Checksum) ++counters_.checksumWrong;
            if (impulse.problem == RecordProblem::Overlong) ++counters_.overlong;
        } else {
            ++counters_.readable;
        }
        if (repeats_.repeated(impulse)) {
            impulse.flags |= Repeated;
            ++counters_.repeated;
        }
        // The running clock of a Timy2 comes ten times a second: it is no impulse, and only the
        // last one matters to anyone.
        if (impulse.kind == RecordKind::ClockTick && !queue_.empty() &&
            queue_.back().kind == RecordKind::ClockTick) {
            queue_.back() = std::move(impulse);
            continue;
        }
        if (queue_.size() >= MaxQueued) {
            ++counters_.dropped;
            continue;
        }
        if (impulse.registrable()) ++counters_.impulses;
        queue_.push_back(std::move(impulse));
    }
    arrived_.notify_all();
}

void TimerLink::take(std::chrono::milliseconds timeout, std::vector<Impulse>& out) {
    std::unique_lock lock(mutex_);
    if (queue_.empty() && timeout.count() > 0)
        arrived_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
    for (auto& impulse : queue_) out.push_back(std::move(impulse));
    queue_.clear();
}

}  // namespace kvt::devices
