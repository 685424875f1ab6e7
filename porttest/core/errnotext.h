#pragma once
#include <string>

// "输入/输出错误(EIO)": a short Chinese meaning of an errno and its name, for messages and bug
// reports; the system's own texts are English and never quoted.
std::string ErrnoText(int err);
