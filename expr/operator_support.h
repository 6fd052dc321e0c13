// Helpers shared by the operator command families (expr/operator_cmds.cpp,
// expr/increment_cmds.cpp): command names, variable reads and writes, and the
// console diagnostic of failures that leave no message.
#pragma once

#include <string_view>

#include "core/nuvel.h"
#include "core/var.h"

namespace expr {

using core::Interp;
using core::Value;
using vars::Var;

// The command's own name without a leading "::".
std::string_view command_name(const Value& word);

// The variable of that name in the current scope, or null.
Var* find_variable(Interp& interp, std::string_view name);

// Stores a value into a variable found by find_variable (or, for other name
// forms and special records, through the variable store with its reports).
bool store_variable(Interp& interp, std::string_view name, Var* var, const Value& value);

// Failures such as "Division by zero" leave no message in the result: only
// while a debugging or tracing setting is on they are shown on the console.
void operator_fault(const Interp& interp, const Value& name, long location, const char* message);

}  // namespace expr
