// Exports of a capture in the formats other infrared tools read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "IrDecoders.h"

enum class IrExportFormat { Mode2, Lircd, Pronto, FlipperRaw, FlipperParsed, Csv, Vcd };

struct CIrExportInput {
    std::vector<uint32_t> durations; // marks and spaces in microseconds, mark first
    int nRestLevel = 1;              // the receiver line's level in a space
    uint32_t nCarrierHz = 38000;     // for Pronto and Flipper raw
    std::string strName = "tavimore";
};

// "mode2", "lircd", "pronto", "flipper", "flipper-raw", "csv", "vcd"; false for others.
bool ParseExportFormat(const std::string& name, IrExportFormat& format);
// The names above, comma-separated, for messages.
const char* ExportFormatNames();
// The usual file name extension of a format, without the dot.
const char* ExportExtension(IrExportFormat format);

// The export as the text of a file.
std::string ExportCapture(IrExportFormat format, const CIrExportInput& input);

// A Pronto learned code of one burst (mark first, gap last) at carrierHz.
std::string ProntoCode(const std::vector<uint32_t>& burst, uint32_t carrierHz);
