#include "gui/WidgetText.h"

#include <cstring>

void CopyWidgetText(char (&buffer)[kMaxWidgetText + 1], const char* text)
{
    size_t length = text ? strnlen(text, kMaxWidgetText) : 0;
    if (length)
        memmove(buffer, text, length); // the text may lie in the buffer itself
    buffer[length] = '\0';
}
