// The mimic's engine headers for Qt code: konstrT.h names a parameter `slots`, which Qt defines
// as a macro, so they are read with that macro put aside.
#pragma once
#pragma push_macro("slots")
#undef slots
#include "mimic/DemoDispetch.h"
#include "mimic/DispetchFile.h"
#include "mimic/DispetchView.h"
#include "mimic/Konstruktor.h"
#pragma pop_macro("slots")
