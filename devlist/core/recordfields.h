#pragma once
#include <optional>
#include <string>

#include "record.h"

// The one rule by which the texts of a device's fields become a record: the entry dialogs of
// every front end use it on OK, chiptool on every imported row and, through RecordToTexts, on
// every stored record that `check` looks at.

// The fields as typed.
struct DeviceFieldTexts {
    // The name in the bytes it is stored in (GBK); none when the typed text holds a character
    // that GBK cannot represent.
    std::optional<std::string> name = std::string();
    std::string fid;
    std::string romKb;
    std::string voltage;
    std::string sig1, sig2, sig3;
};

enum class DeviceField { Name, Fid, RomKb, Voltage, Sig1, Sig2, Sig3 };

// The first field refused and the message the user is shown for it.
struct DeviceFieldFault {
    DeviceField field;
    const char* message;
};

// The messages, in the order the checks run.
inline constexpr const char* kMsgNotInteger = "请输入一个整数。";        // ROM
inline constexpr const char* kMsgNotNumber = "请输入一个数字。";         // voltage
inline constexpr const char* kMsgNameUnsavable = "名称中含有无法保存的字符!";
inline constexpr const char* kMsgNameTooLong = "名称字符串过长!";
inline constexpr const char* kMsgNameEmpty = "请输入器件名称!";
inline constexpr const char* kMsgBadFid = "请输入正确的FID!";
inline constexpr const char* kMsgBadSig1 = "请输入正确的特征字1!";
inline constexpr const char* kMsgBadSig2 = "请输入正确的特征字2!";
inline constexpr const char* kMsgBadSig3 = "请输入正确的特征字3!";

// Checks the fields in the dialogs' order and stops at the first failure:
//   ROM: a whole number that fits 32 bits (ParseDialogInt: blanks around and a sign allowed);
//   voltage: a finite float (ParseDialogFloat; "inf", "nan" and numbers beyond the float range or
//     so small that they would read as 0 are refused);
//   name: storable in GBK without a NUL, at most 19 bytes, not empty;
//   FID, then signature bytes 1, 2 and 3: ParseHexByte (an empty field is 00).
// On success every field is stored in `rec`, the name padded with NULs; the bytes no field
// covers stay as they were. On failure `rec` is untouched.
std::optional<DeviceFieldFault> TextsToRecord(const DeviceFieldTexts& texts, DeviceRecord& rec);

// A record's fields as the edit dialog opens them: the name's bytes, FID and signature as "%02x",
// ROM in decimal, the voltage as FormatVoltageText. Unchanged, they give the record back.
DeviceFieldTexts RecordToTexts(const DeviceRecord& rec);

// The shortest decimal text that reads back as exactly `voltage` ("3.3", "12", "-0", "1e-07");
// non-finite values as "inf", "-inf", "nan", "-nan" (which the rule refuses).
std::string FormatVoltageText(float voltage);
