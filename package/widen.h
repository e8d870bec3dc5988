// The reader's 8-bit text as the engine's 16-bit characters.
#pragma once

#include "Core.h"
#include "base/widen.h"

using WideText = BasicWideText<TCHAR>;
