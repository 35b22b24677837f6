#include "core/status_table.h"

#include "tsx4410_stub.h"

namespace sim {
namespace {

struct StatusInfo {
  ViStatus code;
  const char* name;
  const char* text;
};

constexpr StatusInfo kStatuses[] = {
    {VI_SUCCESS, "VI_SUCCESS", "Operation completed successfully."},
    {VI_SUCCESS_EVENT_DIS, "VI_SUCCESS_EVENT_DIS", "The event was already disabled."},
    {VI_SUCCESS_QUEUE_EMPTY, "VI_SUCCESS_QUEUE_EMPTY", "The event queue was empty."},
    {VI_SUCCESS_MAX_CNT, "VI_SUCCESS_MAX_CNT",
     "The number of bytes read equals the number requested."},
    {VI_WARN_NULL_OBJECT, "VI_WARN_NULL_OBJECT", "The object reference was null."},
    {VI_WARN_UNKNOWN_STATUS, "VI_WARN_UNKNOWN_STATUS", "The status code is not known."},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR", "Unknown system error."},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT", "The session or object reference is invalid."},
    {VI_ERROR_INV_EXPR, "VI_ERROR_INV_EXPR", "Invalid search expression."},
    {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND", "The resource is not present in the system."},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME", "Invalid resource name."},
    {VI_ERROR_TMO, "VI_ERROR_TMO", "Timeout expired before the operation completed."},
    {VI_ERROR_NSUP_ATTR, "VI_ERROR_NSUP_ATTR", "The attribute is not supported by this resource."},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY", "The attribute is read-only."},
    {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER", "The operation is not supported by this session."},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER", "A parameter value is invalid."},
    {TSX4410_ERROR_CHANNEL_CLOSED, "TSX4410_ERROR_CHANNEL_CLOSED", "The channel is not open."},
    {TSX4410_ERROR_PROPERTY_READONLY, "TSX4410_ERROR_PROPERTY_READONLY",
     "The channel property cannot be set."},
    {TSX4410_ERROR_PORT_UNAVAILABLE, "TSX4410_ERROR_PORT_UNAVAILABLE",
     "The channel's serial device cannot be opened."},
    {TSX4410_ERROR_PORT_DISCONNECTED, "TSX4410_ERROR_PORT_DISCONNECTED",
     "The channel's serial device was disconnected."},
    {TSX4410_ERROR_PORT_SETTING, "TSX4410_ERROR_PORT_SETTING",
     "The channel's serial device cannot take these settings."},
    {TSX4410_ERROR_PORT_IO, "TSX4410_ERROR_PORT_IO", "The channel's serial device failed."},
    {TSX4410_ERROR_PORT_OUTPUT_FULL, "TSX4410_ERROR_PORT_OUTPUT_FULL",
     "The channel's transmit buffer is full."},
    {TSX4410_ERROR_LINE, "TSX4410_ERROR_LINE",
     "The channel received bytes with line errors (parity, framing, overrun or break)."},
    {TSX4410_WARN_NEAREST_SETTING, "TSX4410_WARN_NEAREST_SETTING",
     "The nearest setting the serial device has was applied."},
};

const StatusInfo* find(ViStatus status) {
  for (const auto& info : kStatuses) {
    if (info.code == status) return &info;
  }
  return nullptr;
}

}  // namespace

const char* status_name(ViStatus status) {
  const StatusInfo* info = find(status);
  return info ? info->name : nullptr;
}

const char* status_text(ViStatus status) {
  const StatusInfo* info = find(status);
  return info ? info->text : nullptr;
}

std::optional<ViStatus> status_from_name(const std::string& name) {
  for (const auto& info : kStatuses) {
    if (name == info.name) return info.code;
  }
  return std::nullopt;
}

}  // namespace sim
