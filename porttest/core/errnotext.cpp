#include "errnotext.h"

#include <cerrno>

namespace {

struct ErrnoWords {
    int err;
    const char* name;
    const char* words;
};

// The errors opening or driving a port, or writing a report, can meet; the system's own texts are
// English.
constexpr ErrnoWords kErrnoWords[] = {
    {EPERM, "EPERM", "操作不允许"},
    {ENOENT, "ENOENT", "文件不存在"},
    {EINTR, "EINTR", "被信号中断"},
    {EIO, "EIO", "输入/输出错误"},
    {ENXIO, "ENXIO", "设备不存在或不可用"},
    {EAGAIN, "EAGAIN", "资源暂时不可用"},
    {ENOMEM, "ENOMEM", "内存不足"},
    {EACCES, "EACCES", "权限不够"},
    {EBUSY, "EBUSY", "设备忙"},
    {ENODEV, "ENODEV", "没有这个设备"},
    {ENOTDIR, "ENOTDIR", "路径中有一段不是目录"},
    {EISDIR, "EISDIR", "是一个目录"},
    {EINVAL, "EINVAL", "参数无效"},
    {ENFILE, "ENFILE", "系统打开的文件过多"},
    {EMFILE, "EMFILE", "本程序打开的文件过多"},
    {ENOTTY, "ENOTTY", "设备不支持该操作"},
    {EROFS, "EROFS", "只读文件系统"},
    {ENAMETOOLONG, "ENAMETOOLONG", "文件名过长"},
    {ENOSYS, "ENOSYS", "系统不支持该功能"},
    {ELOOP, "ELOOP", "符号链接层数过多"},
    {ENOSPC, "ENOSPC", "磁盘空间不足"},
    {EFBIG, "EFBIG", "文件超过大小限制"},
    {EEXIST, "EEXIST", "文件已存在"},
    {EXDEV, "EXDEV", "不能跨文件系统"},
};

} // namespace

std::string ErrnoText(int err)
{
    for (const ErrnoWords& e : kErrnoWords)
        if (e.err == err)
            return std::string(e.words) + "(" + e.name + ")";
    return "错误号 " + std::to_string(err);
}
