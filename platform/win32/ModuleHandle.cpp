#include "platform/win32/ModuleHandle.h"

void* moduleHandle = nullptr;
