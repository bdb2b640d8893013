#pragma once

#include <string_view>

namespace kestrune {

// The script editor's content at start: the language's documentation as
// comment lines, then an example that runs as it stands. Converted to GBK it
// is 710 bytes. The example statements pad their "'" to column 17, so runs of
// spaces matter here.
inline constexpr std::string_view kInitialScript =
    "'代码说明：\r\n"
    "'单引号为注释文本 代码为每行一句    F11 运行/暂停  运行后代码将循环执行\r\n"
    "'当前版本支持 两个命令  1、模拟鼠标动作   2、延时\r\n"
    "\r\n"
    "'1、模拟鼠标动作    M|X|Y|E\r\n"
    "'M=模拟鼠标\r\n"
    "'X=模拟点击的横坐标 \r\n"
    "'Y=模拟点击的纵坐标 \r\n"
    "'E=鼠标事件类型  该值可以为  0左击；1双击；2右击；3右键双击\r\n"
    "'坐标值可以将鼠标移动到要点击的位置，查看本软件状态条显示的XY值\r\n"
    "\r\n"
    "'2、延时  T|L  或  T|L-M\r\n"
    "'T=延时   延时单位：毫秒 \r\n"
    "'L=延时时长 或 L-M 延时随机取值范围\r\n"
    "\r\n"
    "'示例代码：\r\n"
    "M|200|100|0     '鼠标单击X200,Y100坐标位置\r\n"
    "T|500           '延时500毫秒\r\n"
    "M|300|600|1     '鼠标双击X300,Y600坐标位置\r\n"
    "T|1000-1500     '延时随机取值在1000-1500毫秒之间\r\n"
    "M|450|200|2     '鼠标右击X450,Y200坐标位置\r\n"
    "T|1000          '延时1000毫秒，也就是1秒";

}  // namespace kestrune
