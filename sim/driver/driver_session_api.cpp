// The driver stand-in's session functions. init opens the instrument through
// the VISA library like a real driver, so its session is a VISA session that
// the application can hand to viReadSTB.
#include <mutex>

#include "core/c_text.h"
#include "core/rsrc_name.h"
#include "driver/driver_process.h"
#include "tsx4410_stub.h"

using sim::Driver;
using sim::TraceLine;

namespace {

constexpr const char* kDriverRevision = "1.0.0 (simulated)";

ViStatus open_module(Driver& d, const ViChar* rsrc, ViBoolean reset, ViSession* vi) {
  if (vi == nullptr) return VI_ERROR_INV_PARAMETER;
  if (rsrc == nullptr) return VI_ERROR_INV_RSRC_NAME;
  ViSession rm = VI_NULL;
  ViStatus st = viOpenDefaultRM(&rm);
  if (st < 0) return st;
  ViSession session = VI_NULL;
  st = viOpen(rm, rsrc, VI_NULL, VI_NULL, &session);
  const int resource = sim::answering_resource(d.proc.bench(), rsrc);
  if (resource < 0) {
    st = VI_ERROR_RSRC_NFOUND;  // whatever VISA made of the name: no such module here
  } else if (st >= 0) {
    st = d.proc.bench().resources[static_cast<std::size_t>(resource)].module.init_status;
  }
  if (st != VI_SUCCESS) {
    // Only a clean init hands out a session; a warning closes it like an error.
    viClose(rm);
    return st;
  }
  d.state.attach(session, resource);
  d.rm_of[session] = rm;
  *vi = session;
  (void)reset;  // a fresh session already has reset channels; the trace records the request
  return VI_SUCCESS;
}

}  // namespace

ViStatus tsx4410_init(const ViChar* rsrc, ViBoolean id_query, ViBoolean reset, ViSession* vi) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  if (vi) *vi = VI_NULL;
  ViStatus st;
  if (auto fault = d.proc.fault("tsx4410_init", rsrc ? sim::answering_resource(d.proc.bench(), rsrc) : -1)) {
    st = *fault;
  } else {
    st = open_module(d, rsrc, reset, vi);
  }
  TraceLine line("tsx4410_init");
  line.str("rsrc", rsrc).num("id_query", id_query).num("reset", reset);
  if (vi) line.num("vi", *vi);
  return d.proc.finish(line, st);
}

ViStatus tsx4410_reset(ViSession vi) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_reset", vi, 0, [&] { return d.state.reset(vi); });
  return d.proc.finish(TraceLine("tsx4410_reset").num("vi", vi), st);
}

ViStatus tsx4410_self_test(ViSession vi, ViInt16* code, ViChar msg[]) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_self_test", vi, 0, [&] {
    const sim::ModuleConfig* m = d.state.module(vi);
    if (!m) return VI_ERROR_INV_OBJECT;
    if (!code || !msg) return VI_ERROR_INV_PARAMETER;
    *code = m->self_test_code;
    sim::copy_text256(msg, m->self_test_message);
    return VI_SUCCESS;
  });
  TraceLine line("tsx4410_self_test");
  line.num("vi", vi);
  if (sim::wrote(d, st)) line.num("code", *code).str("msg", sim::view_text256(msg));
  return d.proc.finish(line, st);
}

ViStatus tsx4410_close(ViSession vi) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_close", vi, 0, [&] {
    if (!d.state.known(vi)) return VI_ERROR_INV_OBJECT;
    d.state.detach(vi);
    ViStatus closed = viClose(d.rm_of[vi]);  // takes the instrument session with it
    d.rm_of.erase(vi);
    return closed;
  });
  return d.proc.finish(TraceLine("tsx4410_close").num("vi", vi), st);
}

ViStatus tsx4410_error_message(ViSession vi, ViStatus status, ViChar msg[]) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_error_message", vi, 0, [&] {
    if (!msg) return VI_ERROR_INV_PARAMETER;
    sim::copy_text256(msg, d.state.error_text(vi, status));
    return VI_SUCCESS;
  });
  TraceLine line("tsx4410_error_message");
  line.num("vi", vi).num("code", status);
  if (sim::wrote(d, st)) line.str("msg", sim::view_text256(msg));
  return d.proc.finish(line, st);
}

ViStatus tsx4410_error_query(ViSession vi, ViInt32* code, ViChar msg[]) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_error_query", vi, 0, [&] {
    const sim::ModuleConfig* m = d.state.module(vi);
    if (!m) return VI_ERROR_INV_OBJECT;
    if (!code || !msg) return VI_ERROR_INV_PARAMETER;
    *code = m->error_query_code;
    sim::copy_text256(msg, m->error_query_message);
    return VI_SUCCESS;
  });
  TraceLine line("tsx4410_error_query");
  line.num("vi", vi);
  if (sim::wrote(d, st)) line.num("code", *code).str("msg", sim::view_text256(msg));
  return d.proc.finish(line, st);
}

ViStatus tsx4410_revision_query(ViSession vi, ViChar driver_rev[], ViChar firmware_rev[]) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_revision_query", vi, 0, [&] {
    const sim::ModuleConfig* m = d.state.module(vi);
    if (!m) return VI_ERROR_INV_OBJECT;
    if (!driver_rev || !firmware_rev) return VI_ERROR_INV_PARAMETER;
    sim::copy_text256(driver_rev, kDriverRevision);
    sim::copy_text256(firmware_rev, m->firmware_revision);
    return VI_SUCCESS;
  });
  TraceLine line("tsx4410_revision_query");
  line.num("vi", vi);
  if (sim::wrote(d, st)) {
    line.str("driver", sim::view_text256(driver_rev)).str("firmware", sim::view_text256(firmware_rev));
  }
  return d.proc.finish(line, st);
}

ViStatus tsx4410_getAttribute(ViSession vi, ViAttr attr, void* value) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_getAttribute", vi, 0, [&] {
    return d.state.known(vi) ? viGetAttribute(vi, attr, value) : VI_ERROR_INV_OBJECT;
  });
  return d.proc.finish(TraceLine("tsx4410_getAttribute").num("vi", vi).num("attr", attr), st);
}

ViStatus tsx4410_setAttribute(ViSession vi, ViAttr attr, ViAttrState value) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_setAttribute", vi, 0, [&] {
    return d.state.known(vi) ? viSetAttribute(vi, attr, value) : VI_ERROR_INV_OBJECT;
  });
  TraceLine line("tsx4410_setAttribute");
  line.num("vi", vi).num("attr", attr).num("value", static_cast<long long>(value));
  return d.proc.finish(line, st);
}

// Asynchronous jobs complete at once here, so every job is always done.
ViStatus tsx4410_jobOpc(ViSession vi, ViBoolean* done) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_jobOpc", vi, 0, [&] {
    if (!d.state.known(vi)) return VI_ERROR_INV_OBJECT;
    if (!done) return VI_ERROR_INV_PARAMETER;
    *done = VI_TRUE;
    return VI_SUCCESS;
  });
  TraceLine line("tsx4410_jobOpc");
  line.num("vi", vi);
  if (sim::wrote(d, st)) line.num("done", *done);
  return d.proc.finish(line, st);
}

ViStatus tsx4410_terminate(ViSession vi) {
  Driver& d = sim::driver();
  std::lock_guard<std::mutex> lock(d.proc.mutex());
  ViStatus st = sim::run(d, "tsx4410_terminate", vi, 0, [&] {
    return d.state.known(vi) ? VI_SUCCESS : VI_ERROR_INV_OBJECT;
  });
  return d.proc.finish(TraceLine("tsx4410_terminate").num("vi", vi), st);
}
