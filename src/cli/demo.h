// The built-in demo: a container on a card image kept in the user's data
// folder, with a generated floppy image in one slot.
#pragma once

#include <string>

#include "base/bytes.h"

// Where the demo card lives: <user data folder>/Quillfen/demo-card.img.
std::string DemoCardPath();

// A 1.44 MB FAT12 floppy image holding one small text file. False with a
// message when the FAT engine refuses a step.
bool BuildDemoFloppy(ByteBuffer* image, std::string* error);
