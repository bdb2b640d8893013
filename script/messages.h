#pragma once

#include <string_view>

// Every text the script engine writes into the message log, in one place.
// Each message carries its own "\r\n": the log shows texts exactly as given.
namespace kestrune::messages {

// Why a script does not run at all.
inline constexpr std::string_view kEmptyScript = "未写入任何代码！\r\n";
inline constexpr std::string_view kOnlyComments = "只有注释文本，没有需要执行的代码！\r\n";

// Faults in a statement; the stop report follows each of them.
inline constexpr std::string_view kWrongFieldCount = "代码数组数量错误！\r\n";
inline constexpr std::string_view kWrongClickKind =
    "最后一个参数错误，只能为 0左击 1双击 2右击 3右键双击！\r\n";
inline constexpr std::string_view kUnknownCommand = "代码错误！\r\n";
inline constexpr std::string_view kWrongX =
    "横坐标X错误，只能为 -2147483648 到 2147483647 之间的整数！\r\n";
inline constexpr std::string_view kWrongY =
    "纵坐标Y错误，只能为 -2147483648 到 2147483647 之间的整数！\r\n";
inline constexpr std::string_view kWrongDelayLength =
    "延时时长L错误，只能为 0 到 2147483647 之间的整数！\r\n";
inline constexpr std::string_view kWrongDelayRangeEnd =
    "延时范围L-M中的M错误，只能为 0 到 2147483647 之间的整数！\r\n";

// The stop report: kStopped, then kLineBefore + line number + kLineAfter +
// the statement as written + kLineEnd, e.g. "第4行：T|5|6\r\n".
inline constexpr std::string_view kStopped = "代码中有错误，已停止运行！\r\n";
inline constexpr std::string_view kLineBefore = "第";
inline constexpr std::string_view kLineAfter = "行：";
inline constexpr std::string_view kLineEnd = "\r\n";

// A run's beginning and its end after a stop request.
inline constexpr std::string_view kRunning = "代码运行中...\r\n";
inline constexpr std::string_view kFinished = "代码运行完毕！\r\n";

}  // namespace kestrune::messages
