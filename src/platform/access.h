// Other programs' controls through the desktop's accessibility bus (AT-SPI2 on
// Linux): focus and window-activation events, and the control at a point.
// Texts are CP1252 bytes.  Without a bus every call fails quietly.
#pragma once
#include <cstdint>
#include <string>

namespace a11y {

// The parts of a control a game program may read.
struct Element {
    int left = 0, top = 0, width = 0, height = 0;  // screen pixels
    std::string name;
    int roleCode = 0;         // the role's number in the Windows accessibility scheme
    std::string roleText;     // the role's name in Portuguese
    std::string state;        // "marcado", "indisponível" or empty
    std::string value;
};

constexpr int kRingSize = 100;
constexpr int kEventForeground = 3;
constexpr int kEventFocus = 0x8005;

// The accessibility bus answers (joined on first use).
bool available();
// Starts listening for focus and activation events (idempotent); false without a bus.
bool startMonitor();
// Stops listening and forgets the events not yet taken.
void stopMonitor();
// Lets the bus deliver what it has sent; events land in a ring of kRingSize
// entries (the oldest unread one is overwritten when it is full).
void pump();
enum class Taken { None, Read, Unreadable };
// Takes the oldest unread event and reads its control.
Taken takeEvent(Element& out, int* kind = nullptr);
// The deepest control at a screen point.
bool elementAt(int x, int y, Element& out);

// The role's name in Brazilian Portuguese, from the accessibility library's own
// translations (English when they are missing).
std::string roleNamePt(const std::string& englishName);

}  // namespace a11y
