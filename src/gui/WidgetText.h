// The widgets' fixed text buffers: captions, labels, titles, edit texts and
// list items hold at most 256 characters and a terminating NUL.
#pragma once

constexpr int kMaxWidgetText = 256;

// Copies at most 256 characters of the text (null: none) into the buffer and
// terminates it; a longer text is cut after its 256th character.
void CopyWidgetText(char (&buffer)[kMaxWidgetText + 1], const char* text);

// The number of characters CopyWidgetText keeps of the text: its length, at
// most 256 (0 for null).
int WidgetTextLength(const char* text);
