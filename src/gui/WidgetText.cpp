#include "gui/WidgetText.h"

#include <cstring>

int WidgetTextLength(const char* text)
{
    return text ? static_cast<int>(strnlen(text, kMaxWidgetText)) : 0;
}

void CopyWidgetText(char (&buffer)[kMaxWidgetText + 1], const char* text)
{
    size_t length = static_cast<size_t>(WidgetTextLength(text));
    if (length)
        memmove(buffer, text, length); // the text may lie in the buffer itself
    buffer[length] = '\0';
}
