#include "common/zef_codes.h"

#include "standart/host_params.h"

namespace ZefCodes {

namespace {

struct tCodeText {
  int32_t Code;
  const char* Text;
};

const tCodeText kTexts[] = {
    {0, "OK"},
    {1, "Port is busy"},
    {2, "Other OS"},
    {3, "Required protocol is not supported"},
    {4, "Driver function is not supported by the fiscal register"},
    {5, "Invalid handle"},
    {6, "Error opening port"},
    {7, "Invalid speed for the port"},
    {8, "Unexpected interrupt (internal error)"},
    {9, "External printing error"},
    {101, "Device is not ready to receive command. Timeout expired"},
    {102, "Receive error of the command for the device"},
    {103, "Device does not answer to the command"},
    {104, "Device does not answer checking capacity to work after sending the command"},
    {105, "Device answers by trash (and repeat is impossible or does not help)"},
    {106, "Internal error"},
    {200, "Logical error"},
    {201, "Duration of the shift has exceeded the maximum"},
    {202, "Printing was interrupted: device is not ready"},
    {203, "End of paper while printing"},
    {204, "Bad device answer format"},
    {205, "Shift Already Opened"},
    {301, "The mismatch between the amount of goods and payments in check"},
    {302, "Error in the XML data for initialization (ZefInit)"},
    {303, "Error in the XML data (ZefFiscalDocument | ZefUnfiscalPrint | ZefCustomerDisplay)"},
    {304, "The insufficient size of the buffer to receive data"},
};

}  // namespace

const char* CodeText(int32_t code) {
  for (const tCodeText& entry : kTexts)
    if (entry.Code == code) return entry.Text;
  return "Unknown error";
}

std::string ErrorText(int32_t code) { return HostParams::Translate(CodeText(code)); }

}  // namespace ZefCodes
