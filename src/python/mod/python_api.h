// The one include of the interpreter's headers: the limited API of 3.10.
//
// Every binding file includes this instead of <Python.h>, so that the limited
// API level is fixed in one place even for builds outside CMake.
#pragma once

#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x030A0000
#endif
#define PY_SSIZE_T_CLEAN
#include <Python.h>
