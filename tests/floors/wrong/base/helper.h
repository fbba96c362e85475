// The lowest floor.
#pragma once
