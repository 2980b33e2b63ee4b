#pragma once
// The main window's fixed texts, each written once. The Windows builds
// compile them to code page 936 (GBK), the Linux build keeps UTF-8.

#include <string_view>

namespace portolan::texts {

inline constexpr std::string_view kDescSystem = "系统核心内存管理进程，拥有最高优先权，没有它系统无法启动。";
inline constexpr std::string_view kDescIdle =
    "系统核心虚拟进程，用来表示系统的空闲状态，这个数值越大CPU的空闲率就越高，反之就是CPU的占用率越高。";

inline constexpr std::string_view kShowLocal = "显示本地连接";

// The display names of the TCP states 1 to 12, and the text for any other
// state, which is followed by the number.
inline constexpr std::string_view kTcpStates[] = {
    "关闭",      "监听",     "同步发送", "同步接收", "已建立",   "等待完成1",
    "等待完成2", "等待关闭", "正在关闭", "最后确认", "等待时间", "删除",
};
inline constexpr std::string_view kUnknownTcpState = "未知状态";

}  // namespace portolan::texts
