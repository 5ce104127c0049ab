// tavimore-run's infrared options: after the run, decode or export the capture that
// IRSIGNAL left in the registers.
#pragma once

#include <string>
#include <vector>

#include "IrExport.h"

class CScriptEngine;

struct CIrExportRequest {
    IrExportFormat eFormat = IrExportFormat::Mode2;
    std::string strFile;
};

struct CIrOptions {
    bool bDecode = false;
    bool bJson = false;
    double dSyncHz = 0;          // 0: not given
    uint32_t nCarrierHz = 38000; // for Pronto and Flipper raw
    std::vector<CIrExportRequest> exports;

    bool Wanted() const { return bDecode || !exports.empty(); }
};

enum class IrOptionTaken { No, Yes, Error };

// Takes args[i] when it is one of the infrared options (--ir-decode[=json|text],
// --ir-export FORMAT:FILE, --ir-sync-hz HZ, --ir-carrier-hz HZ), moving i on to a value
// it takes; Error with error saying what is wrong.
IrOptionTaken TakeIrOption(const std::vector<std::string>& args, size_t& i, CIrOptions& options,
                           std::string& error);

// The options' lines for --help.
extern const char* const kIrUsage;

// The sync frequency a simulated port configuration plays its frames at: its [ports]
// sync_hz, 10000 when it plays a receiver_mode2 or receiver_pronto frame without one;
// 0 when it plays none.
double SyncHzOfSimConfig(const std::string& path);

// Decodes and exports after the run: the decoded frames go to standard error, one line
// each beginning "IR "; the exports to their files. False when an export could not be
// written or there was nothing to export; the reason is on standard error.
bool ReportInfrared(const CIrOptions& options, CScriptEngine& engine, double fallbackSyncHz);
