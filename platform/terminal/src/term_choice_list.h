// A drop-down list of choices opened over a row (a grid row's column, a
// report list's column for its column box): Up/Down choose, Enter takes the
// choice, Esc leaves it unchanged.
#pragma once

#include <string>
#include <vector>

#include <final/final.h>

namespace fw_term {

// The index chosen, or -1 when the person left with Esc. current
// is where the list opens (-1: on the first choice); at is where its top
// left corner wants to be.
int ChooseFromList(finalcut::FWidget* parent, const finalcut::FString& title, const std::vector<std::string>& choices,
                   int current, finalcut::FPoint at);

}  // namespace fw_term
