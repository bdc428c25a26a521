#pragma once
// Reading a waybill's fields out of recognised text: tracking number, courier,
// sender, recipient, remark, and the traffic-light status the page shows.
#include <string>
#include <vector>

namespace quorvel::WaybillText {

// Searched in this order; the first one named in the text wins.
const std::vector<std::string>& couriers();
const std::vector<std::string>& senderLabels();
const std::vector<std::string>& recipientLabels();

// Recognisers return ASCII brackets for full-width ones, full-width digits and letters
// now and then, and ideographic spaces: all brought to one spelling before matching
// ("(2026)" → "（2026）", "ＳＦ１２" → "SF12").
std::string normalisePunctuation(const std::string& text);

std::string trackingNumber(const std::string& text);
std::string courier(const std::string& text);
std::string party(const std::vector<std::string>& labels, const std::string& text);
std::string remark(const std::string& text);

struct Fields {
  std::string trackingNo, courier, sender, recipient, remark, status, msg;
};
// All fields of a recognised text and the status with its message. The tracking
// number and the courier are read from its normalised copy; sender, recipient and
// remark are the text's own.
Fields analyse(const std::string& recognisedText);

// User-perceived characters (grapheme clusters).
std::size_t characterCount(const std::string& utf8);
std::string characterPrefix(const std::string& utf8, std::size_t count);

}  // namespace quorvel::WaybillText
