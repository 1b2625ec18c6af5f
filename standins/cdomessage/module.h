#pragma once
// The DLL's own bookkeeping: its handle, the objects it has made and whether COM may unload it.

#include <windows.h>

HMODULE thisModule();

long objectCreated();  // counts a new object; gives its number in this process
void objectDestroyed();
long objectsAlive();
void pinModule();  // the test control was handed out: stay loaded
