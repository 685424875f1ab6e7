#include "recordfields.h"

#include <charconv>
#include <cmath>

#include "numbers.h"
#include "parsehex.h"
#include "recordtext.h"

std::optional<DeviceFieldFault> TextsToRecord(const DeviceFieldTexts& texts, DeviceRecord& rec)
{
    DeviceRecord out = rec;
    // The number fields first: the dialogs read them while taking the fields in.
    const std::optional<int> romKb = ParseDialogInt(texts.romKb);
    if (!romKb) return DeviceFieldFault{DeviceField::RomKb, kMsgNotInteger};
    const std::optional<float> voltage = ParseDialogFloat(texts.voltage);
    // An infinite or NaN voltage is no programming voltage, and it sorts and compares badly.
    if (!voltage || !std::isfinite(*voltage)) return DeviceFieldFault{DeviceField::Voltage, kMsgNotNumber};
    // Lengths are counted in the bytes that will be stored; a character that cannot be encoded
    // must never be stored as a substitute.
    const std::optional<std::string>& name = texts.name;
    if (!name || name->find('\0') != std::string::npos) return DeviceFieldFault{DeviceField::Name, kMsgNameUnsavable};
    if (name->size() > kMaxNameBytes) return DeviceFieldFault{DeviceField::Name, kMsgNameTooLong};
    if (name->empty()) return DeviceFieldFault{DeviceField::Name, kMsgNameEmpty};
    if (!ParseHexByte(texts.fid, out.fid)) return DeviceFieldFault{DeviceField::Fid, kMsgBadFid};
    if (!ParseHexByte(texts.sig1, out.signature[0])) return DeviceFieldFault{DeviceField::Sig1, kMsgBadSig1};
    if (!ParseHexByte(texts.sig2, out.signature[1])) return DeviceFieldFault{DeviceField::Sig2, kMsgBadSig2};
    if (!ParseHexByte(texts.sig3, out.signature[2])) return DeviceFieldFault{DeviceField::Sig3, kMsgBadSig3};
    out.romKb = *romKb;
    out.voltage = *voltage;
    SetRecordName(out, *name);
    rec = out;
    return std::nullopt;
}

DeviceFieldTexts RecordToTexts(const DeviceRecord& rec)
{
    DeviceFieldTexts t;
    t.name = std::string(RecordName(rec));
    t.fid = FormatHexByte(rec.fid);
    t.romKb = std::to_string(rec.romKb);
    t.voltage = FormatVoltageText(rec.voltage);
    t.sig1 = FormatHexByte(rec.signature[0]);
    t.sig2 = FormatHexByte(rec.signature[1]);
    t.sig3 = FormatHexByte(rec.signature[2]);
    return t;
}

std::string FormatVoltageText(float voltage)
{
    if (std::isnan(voltage)) return std::signbit(voltage) ? "-nan" : "nan";
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, voltage);
    return std::string(buf, res.ptr);
}
