#!/usr/bin/env python3
# Writes the dialog templates (dialogs/<ID>.ui) of the english and chinese resource modules.
"""Dialog template generator.

Every dialog of the program is described once below, in dialog units (x, y, width, height),
with its English and Chinese captions.  This script converts the dialog units into pixels with
one fixed rule per module and writes Qt Designer forms that QUiLoader reads at run time:

    res/english/dialogs/<ID>.ui
    res/chinese/dialogs/<ID>.ui

Run it from anywhere:  python3 res/tools/gen_dialogs.py
The written files are committed; the build only packs them, it never runs this script.
"""

import math
import os
import sys
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)

# One rule per module: pixels = dialog units x factor, applied to the edges of each rectangle.
# DejaVu-like default fonts are wider than the fonts the templates were drawn for, hence 1.75
# across; Chinese lines need 16 px, hence the taller rule of the chinese module.
MODULES = {
    "english": {"sx": 1.75, "sy": 1.625, "family": None, "point": 8},
    "chinese": {"sx": 1.75, "sy": 1.875, "family": "Noto Sans CJK SC", "point": 8},
}

# A drop-down's template height is the height of its open list; closed it is this high.
COMBO_HEIGHT_DU = 13
# An etched line is one dialog unit high in the template and two pixels on screen.
LINE_HEIGHT_PX = 2
# Statics at least this high (two text lines) wrap their text at word boundaries.
WRAP_MIN_HEIGHT_DU = 15


class Ctl:
    def __init__(self, cid, kind, rect, en="", cn=None, **opts):
        self.id = cid
        self.kind = kind
        self.rect = rect
        self.en = en
        self.cn = en if cn is None else cn
        self.opts = opts

    def caption(self, module):
        return self.en if module == "english" else self.cn

    def geometry(self, module):
        # r_en / r_cn: the rectangle moved or widened in one module; r: in both.
        key = "r_en" if module == "english" else "r_cn"
        x, y, w, h = self.opts.get(key, self.opts.get("r", self.rect))
        return x, y, w, h

    def hidden(self, module):
        key = "hidden_en" if module == "english" else "hidden_cn"
        return self.opts.get(key, self.opts.get("hidden", False))

    def present(self, module):
        return not (module == "chinese" and self.opts.get("en_only"))

    def items(self, module):
        key = "items_en" if module == "english" else "items_cn"
        return self.opts.get(key, self.opts.get("items"))


class Dlg:
    def __init__(self, did, kind, size_en, size_cn, title_en, title_cn, controls, **opts):
        self.id = did
        self.kind = kind  # "page" or "popup"
        self.size = {"english": size_en, "chinese": size_cn}
        self.title = {"english": title_en, "chinese": title_cn}
        self.controls = controls
        self.opts = opts


def S(cid, rect, en="", cn=None, **o):
    return Ctl(cid, "static", rect, en, cn, **o)


def G(cid, rect, en, cn, **o):
    return Ctl(cid, "group", rect, en, cn, **o)


def R(cid, rect, en, cn, **o):
    return Ctl(cid, "radio", rect, en, cn, **o)


def B(cid, rect, en, cn, **o):
    return Ctl(cid, "button", rect, en, cn, **o)


def T(cid, rect, thumb, **o):
    return Ctl(cid, "slider", rect, "", "", thumb=thumb, **o)


def L(cid, rect, items=None, **o):
    return Ctl(cid, "list", rect, "", "", items=items, **o)


def C(cid, rect, items, **o):
    return Ctl(cid, "combo", rect, "", "", items=items, **o)


def E(cid, rect, **o):
    return Ctl(cid, "edit", rect, "", "", **o)


def ENABLE(cid, rect, **o):
    return R(cid, rect, "Enable", "启用", **o)


def DISABLE(cid, rect, **o):
    return R(cid, rect, "Disable", "禁用", **o)


PERCENT_START = ["0%", "10%", "20%", "30%", "40%"]
PERCENT_END = ["100%", "90%", "80%", "70%", "60%", "50%"]
DELAYS_EN = ["0 sec."] + ["0.%d sec." % i for i in range(1, 10)] + ["1  sec."] + \
    ["1.%d sec." % i for i in range(1, 10)] + ["2 sec."]
DELAYS_CN = ["0秒"] + ["0.%d秒" % i for i in range(1, 10)] + ["1秒"] + \
    ["1.%d秒" % i for i in range(1, 10)] + ["2秒"]
POLES = [str(2 * (i + 1)) for i in range(100)]
SENSORS_EN = ["0-5V ", "5-0V "]
SENSORS_CN = ["0-5V", "5-0V"]

DIALOGS = [
    # About box.
    Dlg(100, "popup", (235, 55), (235, 55), "About Norvel Controller", "关于诺维自控", [
        Ctl(None, "picture", (11, 17, 20, 20), image="../icons/159.png", scaled=True),
        S(None, (40, 10, 119, 8), "Norvel Controller ", "诺维自控 "),
        S(None, (40, 25, 119, 8), "(C) Norvel Motion Control", "版权所有 (C) 诺维自控"),
        B(1, (178, 7, 50, 14), "OK", "确定", default=True),
    ]),
    # Classic tabbed dialog; menu 129 is its menu bar.
    Dlg(102, "popup", (485, 349), (485, 349), "Norvel Controller", "诺维自控", [
        B(1, (380, 282, 50, 14), "OK", "确定", default=True, hidden=True),
        G(1005, (19, 28, 145, 81), "Controller", "控制器", hidden=True),
        S(1006, (33, 52, 42, 8), "Model", "型号"),
        S(1008, (33, 86, 42, 8), "Version", "版本"),
        S(1007, (33, 68, 42, 8), "Serial", "序列号"),
        B(1012, (311, 288, 50, 14), "Test Wizard", "测试向导", hidden=True),
        Ctl(1000, "tab", (28, 164, 256, 134), "Tab1", "Tab1", hidden=True),
    ], menu=129),
    # Wizard frame.
    Dlg(133, "popup", (465, 363), (465, 361),
        "Norvel DVR-X Series Controllers Configurable Program", "诺维自控DVR-X系列控制器客户标定程序", [
        Ctl(None, "picture", (0, 0, 467, 43), image="../bitmaps/165.png", scaled=True),
        Ctl(None, "picture", (10, 49, 100, 222), image="../bitmaps/166.png", scaled=False),
        G(1027, (115, 44, 344, 272), "Guide Content", "向导内容", hidden=True,
          r_cn=(117, 44, 342, 282)),
        Ctl(None, "line", (0, 321, 465, 1), r_cn=(0, 330, 465, 1)),
        B(1020, (17, 333, 46, 14), "&Help", "帮助(&H)", r_cn=(17, 336, 46, 14)),
        B(1022, (70, 333, 46, 14), "&Upgrade", "升级(&U)", hidden=True, r_cn=(70, 335, 46, 14)),
        B(1103, (123, 333, 50, 14), "&Default", "恢复默认值", r_cn=(123, 336, 50, 14)),
        B(1017, (184, 333, 46, 14), "&Cancel", "取消(&C)", r_cn=(184, 336, 46, 14)),
        B(1018, (253, 333, 46, 14), "&Previous", "上一个(&P)", r_cn=(253, 336, 46, 14)),
        B(1016, (323, 333, 46, 14), "&Next", "下一个(&N)", r_cn=(323, 336, 46, 14)),
        B(1026, (393, 333, 46, 14), "&Finish", "完成(&F)", r_cn=(393, 336, 46, 14)),
    ]),
    # Run-mode page.
    Dlg(145, "page", (257, 210), (257, 210), None, None, [
        S(1021, (14, 19, 227, 38),
          "Welcome to use Norvel Controllers,please set the controller as following step.\n\n"
          "First,please select the run mode of program",
          "欢迎使用诺维控制器，请按以下步骤设置控制器。\n\n首先，请选择程序的运行模式"),
        R(1014, (17, 63, 53, 10), "guide mode", "向导模式", r_en=(17, 63, 60, 10)),
        R(1015, (17, 83, 74, 10), "professional mode", "自定义模式", r_en=(17, 83, 80, 10)),
        R(1019, (17, 103, 55, 10), "import mode", "导入模式", r_en=(17, 103, 60, 10)),
        S(1020, (16, 123, 222, 45),
          "the guide mode will shows you how to set,it is fit for new user,this mode is "
          "recommended.\n\n the speciality mode will set the controller value directly,it is "
          "recommended for professional.",
          "向导模式将逐步引导您完成设置，适合新用户，推荐使用此模式。\n\n"
          "自定义模式直接设置控制器参数，推荐专业人员使用。"),
        S(1022, (16, 171, 222, 30),
          "the import mode will set the controller directly,using foregoing configuration file.",
          en_only=True),
    ]),
    # Throttle and general page.
    Dlg(146, "page", (344, 297), (344, 280), None, None, [
        G(1005, (0, 1, 339, 36), "Controller Information", "控制器信息"),
        S(1006, (7, 13, 26, 8), "Model:", "型号："),
        S(1039, (42, 13, 54, 8), r=(42, 13, 100, 8)),
        S(1007, (163, 12, 47, 8), "Serial Number:", "序列号：", r_en=(163, 12, 54, 8)),
        S(1040, (217, 12, 45, 8), r=(219, 12, 60, 8)),
        S(1008, (6, 26, 64, 8), "SoftWare Version:", "软件版本：", r_en=(7, 26, 67, 8)),
        S(1041, (76, 26, 45, 8)),
        G(None, (1, 39, 339, 139), "General Setting", "常规设置"),
        S(None, (11, 60, 90, 8), "Foot Switch [2]", "脚踏开关 [2]", fields="FootSwitch"),
        ENABLE(1037, (201, 60, 36, 10)),
        DISABLE(1038, (241, 60, 40, 10)),
        S(1054, (11, 74, 90, 8), "Throttle Sensor Type [3]", "油门传感器类型 [3]", fields="ThrottleSensorType",
          r_en=(11, 74, 150, 8)),
        # Wide enough for the longest item the page puts in: "Hall Active Throttle".
        L(1031, (201, 71, 88, 30), items_en=SENSORS_EN, items_cn=SENSORS_CN,
          r=(201, 71, 95, 30)),
        S(None, (11, 90, 90, 8), "Throttle effective starting position", "油门有效起始位置", fields="ThrottleStartPosition ThrottleStartEndSteps",
          r_en=(11, 90, 150, 8)),
        S(None, (11, 105, 90, 8), "Throttle effective ending position", "油门有效终止位置", fields="ThrottleEndPosition ThrottleStartEndSteps",
          r_en=(11, 105, 150, 8)),
        S(None, (11, 119, 90, 8), "Max Motor Current [4]", "电机最大电流 [4]", fields="MaxMotorCurrent",
          r_en=(11, 119, 150, 8)),
        S(1036, (165, 121, 26, 8)),
        T(1034, (193, 117, 100, 15), "both"),
        S(None, (3, 212, 334, 16),
          "2.Only if Forward Switch is off, Foot Switch can be used. If enabled, please turn on "
          "foot switch to activate throttle.",
          "2. 仅在前进开关禁用时才能使用脚踏开关。启用后，需闭合脚踏开关才能激活油门。",
          r_cn=(3, 205, 334, 8)),
        G(None, (0, 179, 339, 115), "Description", "说明",
          r_en=(0, 179, 339, 92), r_cn=(0, 179, 339, 83)),
        S(1055, (3, 228, 331, 10),
          "3. Please select \"0-5V\" for 0-5K 3-wire pot, i.e. Norvel RZ0-5K throttle pedal.",
          "3. 使用0-5K三线电位器（如诺维RZ0-5K油门踏板）时，请选择“0-5V”。",
          r_en=(3, 228, 331, 8), r_cn=(3, 214, 331, 8)),
        S(None, (3, 237, 333, 17),
          "4. The max output current as percentage of controller current rating. i.e. A 400A "
          "rated controller will limit the max output to 200A if you choose 50% here.",
          "4. 最大输出电流以控制器额定电流的百分比表示。例如：额定400A的控制器，此处选择50%时，"
          "最大输出电流限制为200A。", r_cn=(3, 223, 333, 16)),
        S(None, (11, 135, 90, 8), "Max Battery Current [5]", "电池最大电流 [5]", fields="MaxBatteryCurrent",
          r_en=(11, 135, 150, 8)),
        T(1094, (193, 132, 100, 15), "both"),
        S(1096, (165, 138, 26, 8)),
        S(None, (3, 254, 333, 16),
          "5.Controller will cut back motor current at high speed to limit battery current. "
          "Controller can output Max Motor Current at low speed. Note motor current  can be much "
          "higher than battery current at low speed.",
          "5. 高速时控制器会降低电机电流以限制电池电流；低速时控制器可输出最大电机电流。"
          "注意：低速时电机电流可能远大于电池电流。", r_cn=(3, 240, 333, 16)),
        T(1030, (193, 85, 100, 15), "top"),
        T(1032, (193, 101, 100, 15), "top"),
        S(1107, (165, 106, 26, 8)),
        S(1106, (165, 90, 26, 8)),
        # Level with their labels, so that the lower one keeps clear of trackbar 1034.
        C(1110, (251, 94, 48, 30), PERCENT_START, sorted=True, r=(251, 89, 48, 30)),
        C(1111, (251, 109, 48, 30), PERCENT_END, r=(251, 104, 48, 30)),
        S(None, (11, 47, 90, 8), "Forward Switch [1]", "前进开关 [1]", fields="ForwardSwitch"),
        ENABLE(1123, (201, 47, 37, 10)),
        DISABLE(1124, (241, 47, 39, 10)),
        S(1125, (3, 187, 333, 16),
          "1. If enabled, Throttle Switch will be considered as Forward Switch. The motor will be "
          "run CW if turn on Throttle Switch and turn off Reversing Switch; Conversely, it will "
          "run CCW; If both switches are on or ",
          "1. 启用后，油门开关将作为前进开关使用：闭合油门开关且断开倒车开关时电机正转（顺时针），"
          "反之反转（逆时针）；", r_cn=(3, 187, 333, 8)),
        S(None, (3, 203, 328, 8),
          "off, it will be in neutral and Throttle Safety Switch invalid.",
          "若两个开关同时闭合或同时断开，则处于空挡，油门安全开关无效。", r_cn=(3, 196, 328, 8)),
        S(1009, (163, 26, 47, 8), "AD-VER:", "AD版本："),
        S(1042, (217, 26, 45, 8), r=(219, 26, 45, 8)),
        S(1142, (10, 150, 111, 8), "The Low Threshold Voltage", "低阈值电压", fields="LowThresholdVoltage",
          r_en=(10, 150, 150, 8)),
        T(1033, (193, 146, 100, 15), "both"),
        S(1108, (166, 151, 26, 10)),
        S(1143, (10, 166, 111, 8), "The High Threshold Voltage", "高阈值电压", fields="HighThresholdVoltage",
          r_en=(10, 166, 150, 8)),
        T(1035, (193, 162, 100, 15), "both"),
        S(1109, (166, 166, 26, 10)),
    ]),
    # Start-up, hall and voltage page.
    Dlg(147, "page", (344, 272), (344, 280), None, None, [
        G(None, (0, 0, 339, 131), "General Setting", "常规设置"),
        S(None, (19, 12, 97, 8), "Start-up Delay [1]", "启动延时 [1]", fields="StartupDelay"),
        S(None, (19, 28, 97, 8), "Hall Sensor Type [2]", "霍尔传感器类型 [2]", fields="HallSensorType"),
        L(1046, (208, 26, 76, 30), items_en=["60 degree", "120 degree"], items_cn=["60度", "120度"]),
        S(None, (19, 44, 97, 8), "Control Mode", "控制模式", fields="ControlMode"),
        L(1047, (208, 42, 76, 30), items_en=["Torque", "Balanced", "Speed2"],
          items_cn=["转矩", "平衡", "速度2"]),
        S(1059, (19, 60, 97, 8), "Under Voltage [3]", "欠压值 [3]", fields="UnderVoltage"),
        S(1077, (149, 64, 19, 8), "    ", "    ", r=(146, 62, 26, 8)),
        T(1035, (200, 57, 100, 15), "top"),
        S(1060, (19, 75, 97, 8), "Over Voltage [4]", "过压值 [4]", fields="OverVoltage"),
        S(1078, (149, 78, 19, 8), "    ", "    ", r=(146, 77, 26, 8)),
        T(1062, (200, 73, 100, 15), "top"),
        S(1063, (19, 90, 97, 8), "Throttle Up/Down Rate ", "油门升降速率 ", fields="ThrottleUpDownRate"),
        S(1079, (151, 92, 19, 8), "    ", "    ", r=(151, 92, 22, 8)),
        S(None, (182, 91, 15, 8), "Fast", "快", r_en=(177, 92, 22, 8)),
        T(1065, (200, 89, 100, 15), "top"),
        S(None, (303, 91, 16, 8), "Slow", "慢", r_en=(303, 92, 22, 8)),
        S(1052, (19, 105, 97, 8), "Power On High Pedal Disable [5]", "上电高踏板保护 [5]", fields="PowerOnHighPedalDisable",
          r_en=(19, 105, 150, 8)),
        ENABLE(1024, (209, 105, 34, 10), r_en=(209, 105, 38, 10)),
        DISABLE(1025, (252, 105, 40, 10)),
        G(None, (2, 131, 337, 140), "Description", "说明"),
        S(None, (6, 142, 328, 8),
          "1. Set delay time to wait for stabilization of B+, mostly  for main contactor "
          "debouncing.",
          "1. 设置延时以等待B+电压稳定，主要用于主接触器消抖。"),
        S(None, (6, 150, 329, 9),
          "2. Select 60 degree or 120 degree according to your motor hall sensor type. ",
          "2. 根据电机霍尔传感器的类型选择60度或120度。", r_en=(6, 151, 329, 8),
          r_cn=(6, 151, 329, 8)),
        S(None, (6, 159, 323, 17),
          "3. Controller will cut back current at battery voltage lower than 1.1x the value, cut "
          "out at the value, and resume operation at 1.05x the value.",
          "3. 电池电压低于设定值的1.1倍时控制器开始降低电流，降到设定值时切断输出，"
          "回升到设定值的1.05倍时恢复工作。", r_en=(6, 160, 323, 16), r_cn=(6, 160, 323, 8)),
        S(None, (6, 176, 323, 19),
          "4. Controller will cut back regen current at 0.95x the value, cut out regen if voltage "
          "reached the setting, and resume regen at 0.95x the value.",
          "4. 电压达到设定值的0.95倍时控制器开始降低再生电流，达到设定值时停止再生，"
          "回落到设定值的0.95倍时恢复再生。", r_en=(6, 177, 323, 16), r_cn=(6, 169, 323, 16)),
        S(None, (6, 195, 323, 23),
          "5. If enabled, the controller will report fault and not operate if throttle got "
          "effective output at power up.",
          "5. 启用后，若上电时油门已有有效输出，控制器将报故障并停止工作。",
          r_en=(6, 194, 323, 16), r_cn=(6, 186, 323, 8)),
        L(1044, (208, 10, 76, 30), items_en=DELAYS_EN, items_cn=DELAYS_CN),
        S(1112, (19, 118, 121, 8), "Releasing Brake High Pedal Disable[6]", "松刹车高踏板保护 [6]", fields="ReleasingBrakeHighPedalDisable",
          r_en=(19, 119, 150, 8)),
        ENABLE(1113, (209, 119, 37, 10), hidden=True),
        DISABLE(1114, (252, 119, 39, 10), hidden=True),
        S(1115, (6, 212, 327, 17),
          "6. If enabled, the controller will report fault and not operate if throttle got "
          "effective output when releasing the brake.",
          "6. 启用后，若松开刹车时油门已有有效输出，控制器将报故障并停止工作。",
          r_en=(6, 211, 327, 16), r_cn=(6, 195, 327, 8)),
    ]),
    # Temperature, CAN and smooth page.
    Dlg(148, "page", (344, 272), (344, 280), None, None, [
        G(1122, (0, 55, 339, 39), "CAN Setting", "CAN设置"),
        S(None, (20, 12, 99, 8), "Motor Temperature Sensor [1]", "电机温度传感器 [1]", fields="MotorTemperatureSensor",
          r_en=(20, 12, 130, 8)),
        S(1036, (161, 12, 24, 8), en_only=True),
        ENABLE(1082, (134, 11, 35, 10), hidden=True),
        DISABLE(1083, (161, 11, 40, 10), hidden=True),
        S(None, (21, 29, 125, 8), "Controller Stop Output Temperature", "控制器停止输出温度", fields="StopOutputTemperature",
          r_en=(21, 28, 150, 8)),
        S(1039, (175, 28, 23, 8)),
        T(1084, (203, 23, 100, 15), "top"),
        S(None, (21, 42, 135, 8), "Controller Resume Output Temperature", "控制器恢复输出温度", fields="ResumeOutputTemperature",
          r_en=(21, 43, 152, 8)),
        S(1040, (175, 43, 23, 8)),
        T(1035, (203, 38, 100, 15), "top"),
        G(None, (0, 221, 339, 51), "Description", "说明"),
        S(None, (4, 234, 328, 8), "1. Thermistor is optional. Default to KTY84-130.",
          "1. 热敏电阻为可选件，默认为KTY84-130。"),
        S(None, (5, 246, 327, 15),
          "Alternative to a thermistor, voltage signal 4.5V to 30V on the motor temperature input "
          "pin (J2 Pin 4) will disable the controller.",
          "也可不接热敏电阻：电机温度输入脚（J2第4脚）上有4.5V至30V的电压信号时，控制器将停止工作。",
          r=(4, 244, 328, 16)),
        G(None, (0, 0, 339, 54), "Sensor Setting", "传感器设置"),
        S(1123, (15, 62, 26, 8), "Send ID", "发送ID", fields="SendId", r_en=(15, 62, 60, 8)),
        S(1124, (15, 78, 36, 8), "Receive ID", "接收ID", fields="ReceiveId", r_en=(15, 78, 60, 8)),
        E(1125, (203, 61, 63, 14), r_en=(203, 60, 63, 14)),
        E(1126, (203, 76, 63, 14), r_en=(203, 76, 63, 14)),
        G(1139, (1, 96, 338, 125), "Smooth Setting", "平滑设置"),
        S(1133, (13, 149, 97, 8), "Inflection Point", "拐点", fields="InflectionPoint"),
        S(1041, (171, 150, 23, 8)),
        T(1085, (195, 146, 100, 15), "top"),
        S(1134, (13, 162, 97, 8), "Low Accel", "低速加速", fields="LowAccel", r_en=(13, 163, 97, 8)),
        S(1042, (171, 163, 23, 8)),
        T(1037, (195, 160, 100, 15), "top"),
        S(1135, (14, 177, 97, 8), "Low Decel", "低速减速", fields="LowDecel"),
        S(1043, (171, 178, 23, 8)),
        T(1086, (196, 174, 100, 15), "top"),
        S(1136, (14, 191, 97, 8), "High Accel", "高速加速", fields="HighAccel"),
        S(1044, (171, 192, 23, 8)),
        T(1132, (196, 189, 100, 15), "top"),
        S(1137, (14, 206, 97, 8), "High Decel", "高速减速", fields="HighDecel"),
        S(1045, (171, 207, 23, 8)),
        T(1087, (196, 203, 100, 15), "top"),
        S(1138, (14, 133, 99, 8), "Smooth", "油门平滑", fields="Smooth"),
        ENABLE(1088, (202, 133, 37, 10)),
        DISABLE(1089, (244, 133, 39, 10)),
        L(1140, (214, 10, 74, 30), items=["禁用", "KTY83-122", "KTY84-130"]),
        S(1141, (13, 106, 99, 8), "Auto_Identify", "自动识别霍尔相序", fields="AutoIdentify"),
        ENABLE(1090, (201, 106, 37, 10)),
        DISABLE(1091, (243, 106, 39, 10)),
        S(1142, (13, 120, 99, 8), "Identify_Rev", "反向输出", fields="IdentifyRev"),
        ENABLE(1092, (201, 120, 37, 10)),
        DISABLE(1093, (243, 120, 39, 10)),
        S(1144, (91, 65, 47, 8), "Hall Order:", "霍尔相序：", fields="HallPhaseSequence", hidden_en=True),
        S(1046, (135, 65, 35, 8), hidden_en=True, r=(138, 65, 40, 8)),
    ]),
    # Regeneration page.
    Dlg(149, "page", (344, 298), (344, 291), None, None, [
        G(None, (0, 0, 339, 132), "Regeneration Setting", "再生制动设置"),
        S(None, (5, 11, 73, 8), "Regeneration [1]", "再生制动 [1]", fields="Regeneration", r_en=(5, 11, 100, 8)),
        ENABLE(1016, (196, 10, 35, 10), r_en=(196, 10, 38, 10)),
        DISABLE(1017, (248, 10, 40, 10)),
        S(None, (5, 26, 79, 8), "Brake Switch [2]", "刹车开关 [2]", fields="BrakeSwitch", r_en=(5, 26, 100, 8)),
        ENABLE(1018, (196, 25, 34, 10), r_en=(196, 25, 38, 10)),
        DISABLE(1019, (248, 25, 40, 10)),
        S(None, (5, 41, 118, 8), "Releasing Throttle Starts Regen [3]", "松油门再生制动 [3]", fields="ReleasingThrottleStartsRegen",
          r_en=(5, 41, 150, 8)),
        S(1095, (160, 41, 30, 8)),
        T(1094, (191, 38, 100, 15), "top", tooltip=True),
        S(None, (5, 56, 150, 8), "Regen Current by Brake Switch On", "刹车开关闭合时的再生电流", fields="RegenCurrentByBrakeSwitchOn"),
        S(1044, (162, 57, 29, 8), r=(162, 56, 29, 8)),
        T(1045, (191, 52, 100, 15), "top"),
        S(1076, (5, 70, 152, 8), "Max Regen Current [4]", "最大再生电流 [4]", fields="MaxRegenCurrent"),
        S(1041, (164, 70, 24, 8), r=(162, 70, 29, 8)),
        T(1043, (191, 67, 100, 15), "top"),
        S(1054, (5, 86, 86, 8), "Brake Sensor Type [5]", "刹车传感器类型 [5]", fields="BrakeSensorType", r_en=(5, 86, 100, 8)),
        L(1081, (197, 84, 93, 30), items_en=["No Used"] + SENSORS_EN,
          items_cn=["不使用"] + SENSORS_CN),
        S(None, (5, 101, 101, 8), "Brake Sensor Starting Point", "刹车传感器起始点", fields="BrakeSensorStartingPoint BrakeSensorStartEndSteps",
          r_en=(5, 101, 150, 8)),
        S(1108, (161, 104, 29, 10), r=(161, 102, 29, 10)),
        T(1079, (190, 100, 100, 15), "both"),
        C(1112, (242, 100, 48, 30), PERCENT_START, sorted=True),
        S(None, (5, 116, 96, 8), "Brake Sensor Ending Point", "刹车传感器终止点", fields="BrakeSensorEndingPoint BrakeSensorStartEndSteps",
          r_en=(5, 116, 150, 8)),
        S(1109, (161, 117, 28, 11), r=(161, 117, 29, 10)),
        T(1080, (190, 115, 100, 15), "both"),
        C(1113, (242, 116, 48, 30), PERCENT_END),
        S(None, (5, 136, 73, 8), "Joystick", "摇杆", fields="Joystick"),
        ENABLE(1020, (196, 134, 35, 10), r_en=(196, 134, 38, 10)),
        DISABLE(1021, (248, 135, 40, 10)),
        S(None, (5, 151, 79, 8), "Cruise", "定速巡航", fields="Cruise"),
        ENABLE(1022, (196, 150, 34, 10), r_en=(196, 150, 38, 10)),
        DISABLE(1023, (248, 150, 40, 10)),
        G(None, (0, 164, 339, 110), "Description", "说明",
          r_en=(0, 164, 339, 107)),
        S(None, (3, 175, 330, 16),
          "1. Regen is to recover mechanical energy, and charge back to battery. It has braking "
          "effect. Battery and secure current path are required during regen. Braker/Contactor "
          "on battery line has to be closed. ",
          "1. 再生制动将机械能回收并回充到电池，具有制动效果。再生时必须接有电池并保证电流回路可靠，"
          "电池线路上的断路器/接触器必须闭合。"),
        S(None, (3, 192, 318, 10),
          "2. If enable, turn off throttle and turn on brake switch will start regen.",
          "2. 启用后，松开油门并闭合刹车开关即开始再生制动。", r_en=(3, 192, 318, 8),
          r_cn=(3, 192, 318, 8)),
        S(None, (3, 202, 325, 25),
          "3. If enable, regen starts just after throttle released. You may disable it by "
          "dragging the slider to the leftmost position. Brake switch or brake sensor isn't "
          "required for the mode. The mode is only available for firmware version 0209 or later.",
          "3. 启用后，松开油门即开始再生制动，将滑块拖到最左端可关闭此模式。此模式不需要刹车开关或"
          "刹车传感器，仅适用于0209及以上版本的固件。",
          r_en=(3, 201, 325, 25), r_cn=(3, 201, 325, 16)),
        S(1075, (3, 226, 321, 9),
          "4. Max regen current with max signal from brake sensor.",
          "4. 刹车传感器信号最大时的最大再生电流。实际再生电流 = 电机最大驱动电流 × 0.5 × "
          "最大再生电流 × 当前模式的百分比（松油门再生或刹车开关闭合时的再生电流），"
          "再由刹车传感器在起始点与终止点之间调节。",
          r_en=(3, 226, 321, 8), r_cn=(3, 218, 330, 16)),
        S(None, (3, 235, 317, 16),
          "5. It's to vary regen on time. Please choose \"Not Used\" if analog brake sensor isn't "
          "used. You have to turn on brake switch to start the regen, then vary the regen with "
          "the signal. ",
          "5. 用于实时调节再生制动强度。未使用模拟刹车传感器时请选择“不使用”。需先闭合刹车开关"
          "启动再生制动，再由传感器信号调节再生强度。",
          r=(3, 235, 330, 16)),
        S(None, (3, 253, 322, 9), "Brake Sensor Type is the same as Throttle Sensor Type.",
          "刹车传感器类型与油门传感器类型相同。", r_en=(3, 252, 322, 8), r_cn=(3, 253, 322, 8)),
    ]),
    # Finish page.
    Dlg(150, "page", (344, 272), (344, 280), None, None, [
        S(None, (67, 124, 210, 8),
          "Please click finish button to write configuration into the controller.",
          "请点击“完成”按钮，将配置写入控制器。", r_en=(50, 124, 250, 8)),
        G(None, (0, 1, 339, 270), "Finish Setting", "完成设置"),
    ]),
    # J1939 page.
    # Labels sit level with their edit boxes.
    Dlg(151, "page", (344, 272), (351, 280), None, None, [
        G(None, (7, 7, 329, 165), "J1939 Setting", "J1939设置"),
        S(None, (34, 17, 92, 8), "Preferred Address", "首选地址", fields="PreferredAddress"),
        E(1127, (172, 16, 61, 12)),
        S(None, (35, 38, 90, 8), "Arbitrary Address Capable", "任意地址能力", fields="ArbitraryAddressCapable", r=(34, 37, 120, 8)),
        E(1137, (172, 36, 61, 12)),
        S(None, (34, 52, 90, 8), "Industry Group", "工业组", fields="IndustryGroup", r=(34, 50, 90, 8)),
        E(1138, (172, 49, 61, 12)),
        S(None, (34, 65, 91, 8), "Vehicle System Instance", "车辆系统实例", fields="VehicleSystemInstance", r=(34, 63, 120, 8)),
        E(1139, (172, 62, 61, 12)),
        S(None, (34, 77, 92, 8), "Vehicle System", "车辆系统", fields="VehicleSystem", r=(34, 76, 92, 8)),
        E(1140, (172, 75, 61, 12)),
        S(None, (34, 90, 97, 8), "Reserved Fields", "保留位", fields="ReservedFields", r=(34, 89, 97, 8)),
        E(1141, (172, 88, 61, 12)),
        S(None, (34, 103, 95, 8), "Function Fields", "功能", fields="FunctionFields", r=(34, 102, 95, 8)),
        E(1142, (172, 101, 61, 12)),
        S(None, (34, 115, 93, 8), "Function Instance", "功能实例", fields="FunctionInstance"),
        E(1143, (172, 114, 61, 12)),
        S(None, (34, 128, 96, 8), "ECU Instance", "ECU实例", fields="EcuInstance"),
        E(1128, (172, 127, 61, 12)),
        S(None, (34, 140, 101, 8), "Manufacturer Code", "制造商代码", fields="ManufacturerCode", r=(34, 141, 101, 8)),
        E(1145, (172, 140, 61, 12)),
        S(None, (34, 153, 101, 8), "Identity Number", "标识号", fields="IdentityNumber", r=(34, 155, 101, 8)),
        E(1146, (172, 154, 61, 12)),
        G(None, (6, 174, 329, 97), "Description", "说明"),
        S(None, (223, 192, 8, 8), "7", "7", hidden=True),
    ]),
    # Page 8, never shown.
    Dlg(152, "page", (344, 272), (344, 280), None, None, [
        S(None, (134, 75, 8, 8), "8", "8"),
    ]),
    # Upgrade dialog, never shown.
    Dlg(153, "popup", (316, 161), (316, 161), "Upgrade", "升级", []),
    # Motor page.
    Dlg(156, "page", (344, 272), (344, 280), None, None, [
        G(None, (0, 1, 339, 154), "General Setting", "常规设置"),
        S(1056, (21, 12, 105, 8), "Motor Top Speed [1]", "电机最高转速 [1]", fields="MotorTopSpeed"),
        S(1057, (173, 10, 28, 8), r=(173, 11, 28, 8)),
        T(1058, (202, 7, 100, 15), "top"),
        S(None, (21, 27, 61, 8), "Motor Poles[2]", "电机极数 [2]", fields="MotorPoles", r_en=(21, 27, 100, 8)),
        L(1085, (209, 24, 89, 30), items=POLES),
        S(None, (21, 41, 82, 8), "Half Speed In Reverse[3]", "倒车半速 [3]", fields="HalfSpeedInReverse", r_en=(21, 41, 120, 8)),
        ENABLE(1090, (207, 41, 37, 10)),
        DISABLE(1091, (263, 41, 39, 10)),
        S(None, (21, 56, 82, 8), "Boost Function[4]", "动力增强 [4]", fields="BoostFunction", r_en=(21, 56, 120, 8)),
        ENABLE(1097, (207, 55, 37, 10)),
        DISABLE(1098, (263, 55, 39, 10)),
        S(None, (21, 71, 103, 8), "Economy Function[5]", "经济模式 [5]", fields="EconomyFunction", r_en=(21, 70, 120, 8),
          r_cn=(21, 70, 103, 8)),
        ENABLE(1099, (207, 69, 37, 10)),
        DISABLE(1100, (263, 69, 39, 10)),
        S(None, (22, 86, 103, 8), "Half Current in Reverse[6]", "倒车半电流 [6]", fields="HalfCurrentInReverse",
          r_en=(21, 84, 120, 8), r_cn=(21, 84, 103, 8)),
        ENABLE(1101, (207, 83, 37, 10)),
        DISABLE(1102, (263, 83, 39, 10)),
        S(1121, (22, 101, 85, 8), "Noise Reduction [7]", "降噪 [7]", fields="NoiseReduction", r_en=(21, 98, 120, 8),
          r_cn=(21, 98, 85, 8)),
        ENABLE(1119, (207, 97, 37, 10)),
        DISABLE(1120, (263, 97, 39, 10)),
        S(1130, (21, 115, 66, 8), "ABS", "ABS", fields="Abs", r=(21, 112, 66, 8)),
        ENABLE(1127, (207, 111, 37, 10)),
        DISABLE(1128, (263, 111, 39, 10)),
        S(1131, (21, 127, 103, 8), "12V Output", "12V输出", fields="Output12V", r_en=(21, 126, 103, 8),
          r_cn=(21, 126, 103, 8)),
        ENABLE(1129, (207, 125, 37, 10)),
        DISABLE(1126, (263, 125, 39, 10)),
        S(1113, (22, 142, 92, 8), "Motor Top Speed in Reverse", "倒车最高转速", fields="MotorTopSpeedInReverse",
          r_en=(21, 142, 140, 8), r_cn=(21, 142, 92, 8)),
        S(1111, (173, 143, 28, 8)),
        T(1092, (202, 139, 100, 15), "both"),
        G(None, (0, 159, 339, 113), "Description", "说明", r_en=(0, 157, 339, 114)),
        S(1071, (7, 168, 328, 16),
          "1. Slide the silder to change allowed top speed of your motor. Actually it's done by "
          "limiting motor voltage to the percentage of battery voltage.",
          "1. 拖动滑块可改变电机允许的最高转速，实际是将电机电压限制为电池电压的一定百分比。",
          r_en=(7, 167, 328, 16), r_cn=(7, 168, 328, 8)),
        S(1072, (7, 184, 328, 16),
          "2. Motor poles configuration. When using CAN to get controller's parameter, please "
          "configure this parameter accurately.",
          "2. 电机极数设置。通过CAN读取控制器参数时，请准确设置此参数。",
          r_en=(7, 183, 328, 16), r_cn=(7, 177, 328, 8)),
        S(None, (7, 201, 328, 16),
          "3. If enabled,the max reverse speed will be limited to half of the max forward speed "
          "if reverse switch closed. Only available on versions lower than 0403.",
          "3. 启用后，倒车开关闭合时最高倒车速度限制为最高前进速度的一半。仅适用于低于0403的版本。",
          r_en=(7, 199, 328, 16), r_cn=(7, 186, 328, 8)),
        S(None, (7, 217, 328, 17),
          "4. If enabled, the controller will output max power right after Brake signal > 4.2V. "
          "Or say you can wire a boost switch between Brake Input and 5V to activate it. ",
          "4. 启用后，刹车信号大于4.2V时控制器立即输出最大功率；也可在刹车输入与5V之间接一个"
          "动力增强开关来激活此功能。",
          r_en=(7, 215, 328, 16), r_cn=(7, 195, 328, 16)),
        S(None, (7, 234, 328, 19),
          "5. If enabled, the max output current will be limited to half of normal condition if "
          "Brake signal > 4.2V. Or say you may wire an economy switch between Brake Input and 5V "
          "to activate it.",
          "5. 启用后，刹车信号大于4.2V时最大输出电流限制为正常值的一半；也可在刹车输入与5V之间"
          "接一个经济开关来激活此功能。",
          r_en=(7, 231, 328, 16), r_cn=(7, 212, 328, 16)),
        S(None, (7, 251, 328, 8),
          "6. If enabled, the max output current will be limited to half at reversing. Activated "
          "by reverse switch.",
          "6. 启用后，倒车时最大输出电流限制为一半，由倒车开关激活。",
          r_en=(7, 247, 328, 8), r_cn=(7, 229, 328, 8)),
        S(1122, (7, 261, 308, 8),
          "7. If the motor starts with noises enable this funtion to reduce it,otherwise don't "
          "use.   ",
          "7. 若电机启动时有噪声，可启用此功能降低噪声，否则请勿使用。",
          r_en=(7, 257, 328, 8), r_cn=(7, 238, 328, 8)),
        S(None, (93, 197, 60, 8), "Joysticker Throttle", "摇杆油门", hidden=True),
        ENABLE(1104, (169, 199, 37, 10), hidden=True),
        DISABLE(1105, (217, 181, 39, 10), hidden=True),
    ]),
]


class Writer:
    def __init__(self, module):
        self.module = module
        self.rule = MODULES[module]
        self.lines = []

    def px_rect(self, x, y, w, h):
        sx, sy = self.rule["sx"], self.rule["sy"]
        left, top = round_half_up(x * sx), round_half_up(y * sy)
        right, bottom = round_half_up((x + w) * sx), round_half_up((y + h) * sy)
        return left, top, right - left, bottom - top

    def out(self, depth, text):
        self.lines.append(" " * depth + text)

    def prop(self, depth, name, value, stdset=True):
        attr = "" if stdset else ' stdset="0"'
        self.out(depth, '<property name="%s"%s>%s</property>' % (name, attr, value))

    def string(self, text):
        return "<string>%s</string>" % escape(text, {'"': "&quot;"})

    def geometry(self, depth, x, y, w, h):
        self.prop(depth, "geometry", "<rect><x>%d</x><y>%d</y><width>%d</width>"
                  "<height>%d</height></rect>" % (x, y, w, h))

    def write(self, dlg):
        m = self.module
        cls = "QDialog" if dlg.kind == "popup" else "QWidget"
        name = "dialog%d" % dlg.id
        self.out(0, '<?xml version="1.0" encoding="UTF-8"?>')
        self.out(0, '<ui version="4.0">')
        self.out(1, "<class>Dialog%d</class>" % dlg.id)
        self.out(1, '<widget class="%s" name="%s">' % (cls, name))
        w, h = dlg.size[m]
        _, _, pw, ph = self.px_rect(0, 0, w, h)
        self.geometry(2, 0, 0, pw, ph)
        family = self.rule["family"]
        font = "<font>%s<pointsize>%d</pointsize></font>" % (
            "<family>%s</family>" % family if family else "", self.rule["point"])
        self.prop(2, "font", font)
        if dlg.title[m]:
            self.prop(2, "windowTitle", self.string(dlg.title[m]))
        self.prop(2, "styleSheet", self.string(self.group_box_style()))
        self.prop(2, "templateId", "<number>%d</number>" % dlg.id, stdset=False)
        if "menu" in dlg.opts:
            self.prop(2, "menuId", "<number>%d</number>" % dlg.opts["menu"], stdset=False)

        controls = [c for c in dlg.controls if c.present(m)]
        names = self.assign_names(controls)
        groups = self.radio_groups(controls, names)
        # Group boxes go first so that they lie below the controls drawn inside them and never
        # take their clicks; they take no focus, so the tab order is the template order still.
        ordered = [c for c in controls if c.kind == "group"] + \
                  [c for c in controls if c.kind != "group"]
        for c in ordered:
            self.write_control(2, c, names[id(c)], groups.get(id(c)))
        self.out(1, "</widget>")
        if groups:
            self.out(1, "<buttongroups>")
            for g in dict.fromkeys(groups.values()):
                self.out(2, '<buttongroup name="%s"/>' % g)
            self.out(1, "</buttongroups>")
        self.out(0, "</ui>")
        return "\n".join(self.lines) + "\n"

    def group_box_style(self):
        # Group boxes as the templates draw them: the frame line runs through the middle of the
        # title, so the first row of controls sits clear of it. Styles that put the title above
        # the frame would draw the frame line through that row. The font goes into the sheet as
        # well: under a style sheet, a font set on the form alone does not reach its controls
        # once the form is placed inside another form (a page inside the frame).
        half_title = round_half_up(4 * self.rule["sy"])
        family = self.rule["family"]
        font = "QWidget { font-size: %dpt;%s }\n" % (
            self.rule["point"], ' font-family: "%s";' % family if family else "")
        return (font + "QGroupBox { border: 1px solid palette(mid); margin-top: %dpx; }\n"
                "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; "
                "left: %dpx; padding: 0px 2px; background-color: palette(window); }"
                % (half_title, round_half_up(4 * self.rule["sx"])))

    @staticmethod
    def assign_names(controls):
        names, counts = {}, {}
        for c in controls:
            if c.id is not None:
                names[id(c)] = "id%d" % c.id
            else:
                counts[c.kind] = counts.get(c.kind, 0) + 1
                names[id(c)] = "%s_%d" % (c.kind, counts[c.kind])
        return names

    @staticmethod
    def radio_groups(controls, names):
        # Radio buttons that follow each other in the template form one group, as the statics
        # between them close the groups; each group gets its own exclusive QButtonGroup.
        groups, current = {}, None
        for c in controls:
            if c.kind == "radio":
                if current is None:
                    current = "group" + names[id(c)][2:]
                groups[id(c)] = current
            else:
                current = None
        return groups

    def write_control(self, d, c, name, group):
        m = self.module
        x, y, w, h = c.geometry(m)
        if c.kind in ("list", "combo"):
            h = COMBO_HEIGHT_DU
        px, py, pw, ph = self.px_rect(x, y, w, h)
        if c.kind == "line":
            ph = LINE_HEIGHT_PX
        cls = {
            "static": "QLabel", "picture": "QLabel", "group": "QGroupBox", "line": "QFrame",
            "button": "QPushButton", "radio": "QRadioButton", "slider": "QSlider",
            "list": "QComboBox", "combo": "QComboBox", "edit": "QLineEdit", "tab": "QTabWidget",
        }[c.kind]
        self.out(d, '<widget class="%s" name="%s">' % (cls, name))
        self.geometry(d + 1, px, py, pw, ph)
        text = c.caption(m)
        if c.kind == "static":
            self.prop(d + 1, "text", self.string(text))
            # The fields this label names on its page: the professional view shows the label
            # beside each field's name.
            if c.opts.get("fields"):
                self.prop(d + 1, "fields", self.string(c.opts["fields"]), stdset=False)
            self.prop(d + 1, "textFormat", "<enum>Qt::PlainText</enum>")
            self.prop(d + 1, "alignment", "<set>Qt::AlignLeading|Qt::AlignLeft|Qt::AlignTop</set>")
            if h >= WRAP_MIN_HEIGHT_DU:
                self.prop(d + 1, "wordWrap", "<bool>true</bool>")
        elif c.kind == "picture":
            self.prop(d + 1, "pixmap", "<pixmap>%s</pixmap>" % c.opts["image"])
            self.prop(d + 1, "scaledContents", "<bool>%s</bool>" %
                      ("true" if c.opts.get("scaled") else "false"))
            self.prop(d + 1, "alignment", "<set>Qt::AlignLeading|Qt::AlignLeft|Qt::AlignTop</set>")
        elif c.kind == "group":
            self.prop(d + 1, "title", self.string(text))
        elif c.kind == "line":
            self.prop(d + 1, "frameShape", "<enum>QFrame::HLine</enum>")
            self.prop(d + 1, "frameShadow", "<enum>QFrame::Sunken</enum>")
        elif c.kind == "button":
            self.prop(d + 1, "text", self.string(text))
            if c.opts.get("default"):
                self.prop(d + 1, "default", "<bool>true</bool>")
        elif c.kind == "radio":
            self.prop(d + 1, "text", self.string(text))
        elif c.kind == "slider":
            # A trackbar starts with the range 0..100 and a page of a fifth of it.
            self.prop(d + 1, "maximum", "<number>100</number>")
            self.prop(d + 1, "pageStep", "<number>20</number>")
            self.prop(d + 1, "orientation", "<enum>Qt::Horizontal</enum>")
            self.prop(d + 1, "tickPosition", "<enum>QSlider::NoTicks</enum>")
            # Qt draws one thumb shape; the template's choice is kept for whoever draws it.
            self.prop(d + 1, "thumbStyle", self.string(c.opts["thumb"]), stdset=False)
            if c.opts.get("tooltip"):
                self.prop(d + 1, "valueToolTip", "<bool>true</bool>", stdset=False)
        elif c.kind in ("list", "combo"):
            self.prop(d + 1, "editable", "<bool>%s</bool>" %
                      ("true" if c.kind == "combo" else "false"))
            if c.opts.get("sorted"):
                self.prop(d + 1, "insertPolicy", "<enum>QComboBox::InsertAlphabetically</enum>")
                self.prop(d + 1, "sorted", "<bool>true</bool>", stdset=False)
        elif c.kind == "edit":
            self.prop(d + 1, "alignment",
                      "<set>Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter</set>")
        elif c.kind == "tab":
            self.prop(d + 1, "windowTitle", self.string(text))
        if c.hidden(m):
            self.prop(d + 1, "visible", "<bool>false</bool>")
        if group:
            self.out(d + 1, '<attribute name="buttonGroup">%s</attribute>' % self.string(group))
        for item in c.items(m) or []:
            self.out(d + 1, "<item>")
            self.prop(d + 2, "text", self.string(item))
            self.out(d + 1, "</item>")
        self.out(d, "</widget>")


def round_half_up(v):
    return int(math.floor(v + 0.5))


def main():
    for module in MODULES:
        folder = os.path.join(RES, module, "dialogs")
        os.makedirs(folder, exist_ok=True)
        for dlg in DIALOGS:
            text = Writer(module).write(dlg)
            path = os.path.join(folder, "%d.ui" % dlg.id)
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
