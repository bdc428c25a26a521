#pragma once
// Sample values the diagnostic modes share.

namespace quorvel::DiagnosticSamples {

// A waybill number of the form couriers print ("SF" and 13 digits).
inline constexpr const char* kWaybillNumber = "SF3052918847601";

}  // namespace quorvel::DiagnosticSamples
