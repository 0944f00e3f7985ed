#pragma once
// The wizard's rules that need no window: mnemonics, the version test, the
// licence text, the association boxes and the selected-component set.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "integration/Options.h"  // TCheckState
#include "wizard/Page.h"

// The letter that "&" marks in a control text, upper-cased (ASCII); 0 for
// none. "&&" is a literal "&".
char MnemonicOf(const std::string& text);

// The platform test of the program entry: NT family (platform id 2) with a
// major version above 4. The minor version plays no part.
bool IsWindows2000OrLater(uint32_t platformId, uint32_t majorVersion);

// The licence file's bytes as memo text: its lines (ending at CR LF, LF or
// CR) joined by CR LF. Empty when the file holds no line.
std::string LicenseMemoText(const std::string& fileBytes);

// Which association boxes are ticked for an Extensions text: box i when
// the letter "ABCD"[i] occurs anywhere in it.
std::array<bool, 4> AssocTicks(const std::string& extensions);

// The selected-component set of a run: for every ticked or greyed row, from
// the last row to the first, its component (when 7 or less) as a bit.
uint8_t SelectedComponents(const std::vector<TCheckState>& rows,
                           const std::vector<int>& rowToComponent);
