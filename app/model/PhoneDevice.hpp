#pragma once
// The phone's record lives in the framework; this path stays for the app's own includes.
#include "kit/push/PhoneDevice.hpp"
