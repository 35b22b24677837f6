/* The slice of the VISA C interface that the stand-in libvisa.so provides.
 * Declared here from the published function signatures so that the stand-in
 * and its tests need no outside header. */
#ifndef SIM_VISA_STUB_H
#define SIM_VISA_STUB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SIM_EXPORT __attribute__((visibility("default")))

typedef int32_t ViStatus;
typedef uint32_t ViUInt32;
typedef uint8_t ViUInt8;
typedef int32_t ViInt32;
typedef uint16_t ViUInt16;
typedef int16_t ViInt16;
typedef uint16_t ViBoolean;
typedef char ViChar;
typedef ViChar* ViString;
typedef ViString ViRsrc;
typedef unsigned char ViByte;
typedef unsigned char* ViBuf;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViObject ViFindList;
typedef ViUInt32 ViAttr;
typedef ViUInt32 ViAccessMode;
typedef ViUInt32 ViEventType;
typedef ViUInt16 ViEventMech;
typedef uint64_t ViAttrState;

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0
#define VI_FIND_BUFLEN 256
#define VI_TMO_IMMEDIATE 0x0u
#define VI_TMO_INFINITE 0xFFFFFFFFu
#define VI_NO_SEC_ADDR 0xFFFF

#define VI_SUCCESS ((ViStatus)0)
#define VI_SUCCESS_EVENT_DIS ((ViStatus)0x3FFF0003)
#define VI_SUCCESS_QUEUE_EMPTY ((ViStatus)0x3FFF0004)
#define VI_SUCCESS_TERM_CHAR ((ViStatus)0x3FFF0005)
#define VI_SUCCESS_MAX_CNT ((ViStatus)0x3FFF0006)
#define VI_WARN_NULL_OBJECT ((ViStatus)0x3FFF0082)
#define VI_WARN_UNKNOWN_STATUS ((ViStatus)0x3FFF0085)
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000u)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000Eu)
#define VI_ERROR_INV_EXPR ((ViStatus)0xBFFF0010u)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011u)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012u)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015u)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001Du)
#define VI_ERROR_NSUP_ATTR_STATE ((ViStatus)0xBFFF001Eu)
#define VI_ERROR_ATTR_READONLY ((ViStatus)0xBFFF001Fu)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067u)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078u)

#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3

/* Attributes, with the type each one's value has (its width in viGetAttribute). */
#define VI_ATTR_RSRC_NAME ((ViAttr)0xBFFF0002u)           /* ViRsrc, 256 bytes */
#define VI_ATTR_RSRC_IMPL_VERSION ((ViAttr)0x3FFF0003u)   /* ViVersion (ViUInt32) */
#define VI_ATTR_SEND_END_EN ((ViAttr)0x3FFF0016u)         /* ViBoolean */
#define VI_ATTR_TERMCHAR ((ViAttr)0x3FFF0018u)            /* ViUInt8 */
#define VI_ATTR_TMO_VALUE ((ViAttr)0x3FFF001Au)           /* ViUInt32 */
#define VI_ATTR_SUPPRESS_END_EN ((ViAttr)0x3FFF0036u)     /* ViBoolean */
#define VI_ATTR_TERMCHAR_EN ((ViAttr)0x3FFF0038u)         /* ViBoolean */
#define VI_ATTR_VXI_LA ((ViAttr)0x3FFF00D5u)              /* ViInt16 */
#define VI_ATTR_MANF_ID ((ViAttr)0x3FFF00D9u)             /* ViUInt16 */
#define VI_ATTR_MODEL_CODE ((ViAttr)0x3FFF00DFu)          /* ViUInt16 */
#define VI_ATTR_SLOT ((ViAttr)0x3FFF00E8u)                /* ViInt16 */
#define VI_ATTR_RSRC_SPEC_VERSION ((ViAttr)0x3FFF0170u)   /* ViVersion (ViUInt32) */
#define VI_ATTR_INTF_TYPE ((ViAttr)0x3FFF0171u)           /* ViUInt16 */
#define VI_ATTR_GPIB_PRIMARY_ADDR ((ViAttr)0x3FFF0172u)   /* ViUInt16 */
#define VI_ATTR_GPIB_SECONDARY_ADDR ((ViAttr)0x3FFF0173u) /* ViUInt16 */
#define VI_ATTR_RSRC_MANF_NAME ((ViAttr)0xBFFF0174u)      /* ViString, 256 bytes */
#define VI_ATTR_RSRC_MANF_ID ((ViAttr)0x3FFF0175u)        /* ViUInt16 */
#define VI_ATTR_INTF_NUM ((ViAttr)0x3FFF0176u)            /* ViUInt16 */

#define VI_READ_BUF 1
#define VI_WRITE_BUF 2
#define VI_READ_BUF_DISCARD 4
#define VI_WRITE_BUF_DISCARD 8

SIM_EXPORT ViStatus viOpenDefaultRM(ViSession* rm);
SIM_EXPORT ViStatus viFindRsrc(ViSession rm, const ViChar* expr, ViFindList* list,
                               ViUInt32* count, ViChar desc[]);
SIM_EXPORT ViStatus viFindNext(ViFindList list, ViChar desc[]);
SIM_EXPORT ViStatus viParseRsrc(ViSession rm, const ViChar* name, ViUInt16* intf_type,
                                ViUInt16* intf_num);
SIM_EXPORT ViStatus viParseRsrcEx(ViSession rm, const ViChar* name, ViUInt16* intf_type,
                                  ViUInt16* intf_num, ViChar rsrc_class[],
                                  ViChar expanded_name[], ViChar alias_if_exists[]);
SIM_EXPORT ViStatus viOpen(ViSession rm, const ViChar* name, ViAccessMode mode,
                           ViUInt32 timeout, ViSession* vi);
SIM_EXPORT ViStatus viClose(ViObject obj);
SIM_EXPORT ViStatus viGetAttribute(ViObject obj, ViAttr attr, void* value);
SIM_EXPORT ViStatus viSetAttribute(ViObject obj, ViAttr attr, ViAttrState value);
SIM_EXPORT ViStatus viStatusDesc(ViObject obj, ViStatus status, ViChar desc[]);
SIM_EXPORT ViStatus viWrite(ViSession vi, const ViByte* buf, ViUInt32 count,
                            ViUInt32* ret_count);
SIM_EXPORT ViStatus viRead(ViSession vi, ViByte* buf, ViUInt32 count, ViUInt32* ret_count);
SIM_EXPORT ViStatus viReadSTB(ViSession vi, ViUInt16* status_byte);
SIM_EXPORT ViStatus viFlush(ViSession vi, ViUInt16 mask);
SIM_EXPORT ViStatus viClear(ViSession vi);
SIM_EXPORT ViStatus viDisableEvent(ViSession vi, ViEventType event, ViEventMech mechanism);
SIM_EXPORT ViStatus viDiscardEvents(ViSession vi, ViEventType event, ViEventMech mechanism);

#ifdef __cplusplus
}
#endif

#endif
