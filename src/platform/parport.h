// The parallel port as a game's sensor board sees it: the data, status and
// control registers of the first port (Linux ppdev, /dev/parport0).
#pragma once
#include <cstdint>
#include <string>

namespace parport {

// Opens and claims the port; false when it is missing or not ours to use.
// Stays open once opened.
bool open();
bool isOpen();
void writeData(uint8_t value);
void writeControl(uint8_t value);
uint8_t readStatus();

}  // namespace parport
