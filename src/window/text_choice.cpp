#include "language.h"

const char* ChooseText(std::string_view language, const char* english, const char* japanese)
{
    return language == "English" ? english : japanese;
}
