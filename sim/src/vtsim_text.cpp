#include "vtsim_text.h"

namespace vtsim {

std::string StatusText(int32_t status, bool ethernet) {
  const char* unit = ethernet ? "Interface" : "Channel";
  switch (status) {
    case 0:
      return "No error";
    case VTBUSAPI_STATUS_SPECIFIC_ERROR:
      return ethernet ? "Access-provider-specific error (see the last access-provider-specific error)"
                      : "Vendor-specific error (see the last vendor-specific error)";
    case VTCAN_ERR_GENERAL:
      return "General error";
    case VTCAN_ERR_INVALID_HANDLE:
      return "Invalid handle";
    case VTCAN_ERR_INVALID_PARAMETER:
      return "Invalid parameter";
    case VTCAN_ERR_CHANNEL_NOT_FOUND:
      return std::string(unit) + " not found";
    case VTCAN_ERR_CHANNEL_ALREADY_REGISTERED:
      return std::string(unit) + " is already registered";
    case VTCAN_ERR_CHANNEL_NOT_INITIALIZED:
      return std::string(unit) + " is not initialized";
    case VTCAN_ERR_CHANNEL_NOT_ACTIVATED:
      return std::string(unit) + " is not activated";
    case VTCAN_ERR_BAUDRATE_NOT_POSSIBLE:
      return "Bit rate cannot be reached with the given controller clock";
    case VTCAN_ERR_INVALID_BIT_TIMING:
      return "Invalid bit timing parameters";
    case VTCAN_ERR_BUFFER_TOO_SMALL:
      return "Buffer too small";
    case VTCAN_ERR_NOT_A_REPLAY_CHANNEL:
      return std::string(unit) + " is not registered for replay";
    case VTCAN_ERR_NOT_SUPPORTED:
      return std::string("Operation not supported by the ") + (ethernet ? "interface" : "channel");
    case VTCAN_ERR_REPLAY_ALREADY_STARTED:
      return "Replay has already started";
    case VTCAN_ERR_INVALID_REPLAY_RECORD:
      return "Invalid replay record";
    case VTCAN_ERR_CONFIGURATION:
      return "Bus access host configuration could not be read";
    case VTCAN_ERR_INVALID_MESSAGE:
      return ethernet ? "Invalid frame" : "Invalid message";
    case VTCAN_ERR_CHANNEL_ACTIVE:
      return std::string(unit) + " is active";
    default:
      return "Unknown error code " + std::to_string(status);
  }
}

}  // namespace vtsim
