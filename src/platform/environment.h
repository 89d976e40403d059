// GK_* settings read from the environment. A value a setting does not accept is reported once on
// stderr, naming the variable, the value and what is accepted, and the setting's default is used.
#pragma once

#include <initializer_list>

namespace plat {

// The variable's value, or nullptr when it is unset or empty.
const char* EnvText(const char* name);

// Position of the variable's value in `accepted`; `fallback` when unset or not accepted.
int EnvChoice(const char* name, std::initializer_list<const char*> accepted, int fallback);

// The variable as a whole number in [low, high]; `fallback` when unset or not such a number.
int EnvNumber(const char* name, int low, int high, int fallback);

}  // namespace plat
