// Window texts arrive as wide strings; FLTK draws UTF-8.
#pragma once

#include "core/utf8.h"

namespace zanq::x11 {

using zanq::os::ToUtf8;

}  // namespace zanq::x11
