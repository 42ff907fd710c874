// Where the platform has case tables of its own (Windows), it fills the registry's case mapping
// from them; elsewhere the suite's own runs are used.
#pragma once

namespace text {

// Fills both 65,536-entry tables and returns true, or returns false to leave them to the caller.
bool platformCaseTables(char16_t* upper, char16_t* lower);

}  // namespace text
