// The Win32 subset the program is written against, one header per service.
#pragma once

#include "win32/types.h"
#include "win32/com.h"
#include "win32/threads.h"
#include "win32/files.h"
#include "win32/temp_files.h"
#include "win32/window.h"
