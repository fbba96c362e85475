// The built-in demo of the command-line tool.
#pragma once

int RunDemo();
