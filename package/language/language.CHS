; language.CHS - 触摸屏安装程序的简体中文文本（GB2312 编码）。
; 语言包只包含文本；设置在 default.ini 中。

[SetupText]
groupname=Example Touch
iconname=触摸屏控制面板
uninstname=卸载 Example Touch 驱动程序
Text1=触摸屏安装程序 V!@MAJOR.!@MINOR (!@RELEASE)
Text2=请将触摸屏控制器连接到 USB 端口。
Text3=必须重新启动 Windows 才能完成安装。
Text4=必须重新启动 Windows 才能完成卸载。
Text5=安装(&I)
Text6=卸载
Text7=退出(&X)
Text8=警告
Text9=驱动程序包不完整（INF 文件）。
Text10=确实要卸载触摸屏驱动程序及其工具吗？
Text11=产品选项
Text12=USB 控制器
Text13=RS-232 控制器
Text14=多显示器版本仅适用于 Windows XP。
Text15=软件包配置文件（default.ini）中没有制造商名称。
Text16=已安装其他版本的触摸屏驱动程序。请先将其卸载，然后重新运行本安装程序。
Text17=安装完成，现在可以使用触摸屏了。
Text18=使用此设备之前，请将控制器连接（或重新连接）到 USB 端口。
Text19=重新启动 Windows 之前，触摸屏可能无法正常工作。
Text20=驱动程序已安装。
Text21=只有管理员才能运行此程序。

[ADDITIONAL]
; default.ini 中 [additional] 各附加项目的名称，按编号。
item1=用户手册
item2=校准触摸屏
item3=触摸屏图标

[TouchCFGTEXT]
Caption=触摸屏设置 V!@MAJOR.!@MINOR
Calibrate=校准
CalibrateHint=目标出现时，请触摸其中心。
RightClick=按住触摸实现右键单击
DoubleClick=双击速度
Beep=点击声音
ShowCursor=显示鼠标指针
OK=确定
Cancel=取消
