/* C interface of the stand-in TSX4410 module driver (libtsx4410.so). */
#ifndef SIM_TSX4410_STUB_H
#define SIM_TSX4410_STUB_H

#include "visa_stub.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TSX4410_CHANNEL_COUNT 4
#define TSX4410_PROP_BYTES_WAITING 19
#define TSX4410_PROP_CHANNEL_STATUS 29
#define TSX4410_PROP_CHANNEL_CONFIG 30
#define TSX4410_CONFIG_WORDS 24
#define TSX4410_STATUS_BUSY 0x1

/* Instrument-specific errors live in the driver range of the status space. */
#define TSX4410_ERROR_CHANNEL_CLOSED ((ViStatus)0xBFFA0001u)
#define TSX4410_ERROR_PROPERTY_READONLY ((ViStatus)0xBFFA0002u)
/* A channel bridged to a host serial device: */
#define TSX4410_ERROR_PORT_UNAVAILABLE ((ViStatus)0xBFFA0003u)  /* cannot be opened */
#define TSX4410_ERROR_PORT_DISCONNECTED ((ViStatus)0xBFFA0004u) /* went away; closed */
#define TSX4410_ERROR_PORT_SETTING ((ViStatus)0xBFFA0005u)      /* record not applicable */
#define TSX4410_ERROR_PORT_IO ((ViStatus)0xBFFA0006u)           /* any other system error */
#define TSX4410_ERROR_PORT_OUTPUT_FULL ((ViStatus)0xBFFA0007u)  /* transmit buffer full */
/* A channel on the simulated line: */
#define TSX4410_ERROR_LINE ((ViStatus)0xBFFA0008u) /* parity, framing, overrun or break met */
#define TSX4410_WARN_NEAREST_SETTING ((ViStatus)0x3FFA0001)     /* applied something close */

SIM_EXPORT ViStatus tsx4410_init(const ViChar* rsrc, ViBoolean id_query, ViBoolean reset,
                                 ViSession* vi);
SIM_EXPORT ViStatus tsx4410_reset(ViSession vi);
SIM_EXPORT ViStatus tsx4410_self_test(ViSession vi, ViInt16* code, ViChar msg[]);
SIM_EXPORT ViStatus tsx4410_close(ViSession vi);
SIM_EXPORT ViStatus tsx4410_error_message(ViSession vi, ViStatus status, ViChar msg[]);
SIM_EXPORT ViStatus tsx4410_error_query(ViSession vi, ViInt32* code, ViChar msg[]);
SIM_EXPORT ViStatus tsx4410_revision_query(ViSession vi, ViChar driver_rev[],
                                           ViChar firmware_rev[]);
SIM_EXPORT ViStatus tsx4410_getProperty(ViSession vi, ViInt32 channel, ViInt32 property,
                                        void* value);
SIM_EXPORT ViStatus tsx4410_setProperty(ViSession vi, ViInt32 channel, ViInt32 property,
                                        void* value);
SIM_EXPORT ViStatus tsx4410_openChannel(ViSession vi, ViInt32 channel);
SIM_EXPORT ViStatus tsx4410_closeChannel(ViSession vi, ViInt32 channel);
SIM_EXPORT ViStatus tsx4410_write(ViSession vi, ViInt32 channel, const ViByte* bytes,
                                  ViUInt32 count, ViUInt32* written);
SIM_EXPORT ViStatus tsx4410_read(ViSession vi, ViInt32 channel, ViByte* buf, ViUInt32 count,
                                 ViUInt32* read, ViInt16* scratch);
SIM_EXPORT ViStatus tsx4410_getAttribute(ViSession vi, ViAttr attr, void* value);
SIM_EXPORT ViStatus tsx4410_setAttribute(ViSession vi, ViAttr attr, ViAttrState value);
SIM_EXPORT ViStatus tsx4410_jobOpc(ViSession vi, ViBoolean* done);
SIM_EXPORT ViStatus tsx4410_readAsync(ViSession vi, ViInt32 channel, ViByte* buf,
                                      ViUInt32 count, ViUInt32* job_id);
SIM_EXPORT ViStatus tsx4410_writeAsync(ViSession vi, ViInt32 channel, const ViByte* bytes,
                                       ViUInt32 count, ViUInt32* job_id);
SIM_EXPORT ViStatus tsx4410_terminate(ViSession vi);

#ifdef __cplusplus
}
#endif

#endif
