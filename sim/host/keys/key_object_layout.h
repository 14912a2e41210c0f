// The part of the host's KeyCommon structure that the key functions' heads
// read: one word at a fixed offset. Shared by the C++ side and the assembly
// heads (plain preprocessor text only).
#pragma once

#define SIM_KEY_OBJECT_WORD_OFFSET 8
