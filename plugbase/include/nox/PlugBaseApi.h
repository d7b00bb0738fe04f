#pragma once

#include "nox/NoxUtilApi.h"

#ifdef PLUGBASE_BUILD
#define PLUGBASE_API __declspec(dllexport)
#else
#define PLUGBASE_API __declspec(dllimport)
#endif
