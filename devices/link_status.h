// How the link to a timer stands: whether its port is open, what came over it, and the
// diagnosis the setup page tells the official.
#pragma once

namespace kvt::devices {

enum class LinkState { Stopped, Waiting, Open };

struct LinkCounters {
    long bytes = 0;
    long noiseBytes = 0;  // bytes no timer sends as text: the sign of a wrong rate
    long records = 0;
    long readable = 0;  // records of a kind the timer sends (not unreadable)
    long impulses = 0;  // registrable impulses handed on
    long repeated = 0;  // times handed on again, marked repeated
    long unreadable = 0;
    long checksumWrong = 0;
    long overlong = 0;
    long opens = 0;
    long cuts = 0;
    long memoryRequests = 0;
    long dropped = 0;  // impulses the queue could not keep (see MaxQueued)
};

// What the setup page tells the official of the link.
enum class LinkDiagnosis { Working, NoPort, NothingReceived, WrongRate, Garbage, Cut };
LinkDiagnosis Diagnose(LinkState state, const LinkCounters& counters);

}  // namespace kvt::devices
