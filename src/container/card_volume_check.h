// The card check's look at the FAT volume around the container, through our
// FAT engine over raw access (read only), so that it is the same on a card
// image as on a real card: the container's chain, whether another entry
// claims its clusters, the FAT copies in its clusters, and the volume's own
// health as a file-system check would see it.
#pragma once

#include <vector>

#include "container/card_check.h"

// Appends what it finds. A card whose volume cannot be read raw adds nothing:
// the rest of the check already says what the file system shows.
void CheckContainerOnVolume(char drive, std::vector<CheckFinding>& findings);
