#pragma once
// The DLL's own bookkeeping: its handle, the objects it has made and whether COM may unload it.

#include <windows.h>

HMODULE thisModule();

long objectCreated();  // counts a new automation object; gives its number in this process
void objectDestroyed();
long objectsCreated();
long objectsAlive();

void lockModule();    // class factory references and LockServer
void unlockModule();
// Once the test control has been handed out the DLL stays loaded: a pointer into it is held.
void pinModule();
