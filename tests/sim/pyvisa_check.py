"""An unmodified standard VISA client (pyvisa, ctypes backend) on the stand-in
libvisa.so: lists resources with VISA search expressions, opens a GPIB
instrument with a timeout and a read termination, asks its identity with and
without that termination, reads the attributes back (the resource manager's
too) and sets a few it must refuse.

    python3 pyvisa_check.py <path of the stand-in libvisa.so>

Exit status 0: passed; 1: failed; 77: skipped (python3-pyvisa not installed).
"""
import json
import os
import sys
import tempfile
import time

try:
    import pyvisa
    from pyvisa import constants as c
except ImportError:
    print("skipped: pyvisa is not installed for this python3 (Debian: apt install python3-pyvisa)")
    sys.exit(77)

IDENTITY = "VORNHOLT-ARGENT,T4410,0,A.01.01"
# Some pyvisa versions write "GPIB0::7::INSTR" as "GPIB0::7::0::INSTR" before
# they open it, a resource of its own in VISA; the bench answers the same on
# both, and what is read back follows the name this pyvisa really opens.
NAME7 = str(pyvisa.rname.ResourceName.from_string("GPIB0::7::INSTR"))
SILENT = str(pyvisa.rname.ResourceName.from_string("GPIB0::9::INSTR"))
problems = []


def expect(what, got, want):
    if got != want:
        problems.append(f"{what}: got {got!r}, want {want!r}")


def refused(what, call, status):
    try:
        call()
        problems.append(f"{what}: accepted, want {status!r}")
    except pyvisa.VisaIOError as e:
        expect(what, e.error_code, status)


with tempfile.TemporaryDirectory() as scratch:
    bench = os.path.join(scratch, "bench.json")
    with open(bench, "w") as f:
        json.dump({"resources": [{"descriptor": "GPIB0::7::INSTR", "identity": IDENTITY + "\n"},
                                 {"descriptor": SILENT}, {"descriptor": "VXI0::24::INSTR"},
                                 {"descriptor": "GPIB0::7::0::INSTR", "identity": IDENTITY + "\n"}]}, f)
    os.environ["SFP_SIM_BENCH"] = bench  # read at the library's first call
    rm = pyvisa.ResourceManager(sys.argv[1])
    everything = ("GPIB0::7::INSTR", SILENT, "VXI0::24::INSTR", "GPIB0::7::0::INSTR")
    expect("resources", rm.list_resources(), everything)
    expect("GPIB?*INSTR", rm.list_resources("GPIB?*INSTR"), everything[:2] + everything[3:])
    expect("(GPIB|VXI)?*INSTR", rm.list_resources("(GPIB|VXI)?*INSTR"), everything)
    expect("GPIB* (a run of Bs)", rm.list_resources("GPIB*"), ())
    refused("list (GPIB", lambda: rm.list_resources("(GPIB"), c.StatusCode.error_invalid_expression)
    for attr, want in ((c.VI_ATTR_RSRC_MANF_NAME, "TSX4410 SFP simulated VISA"), (c.VI_ATTR_RSRC_MANF_ID, 3021),
                       (c.VI_ATTR_RSRC_SPEC_VERSION, 0x00500800), (c.VI_ATTR_RSRC_IMPL_VERSION, 0x00100000)):
        expect(f"resource manager {attr:#x}", rm.visalib.get_attribute(rm.session, attr)[0], want)
    refused("resource manager VI_ATTR_TMO_VALUE",
            lambda: rm.visalib.get_attribute(rm.session, c.VI_ATTR_TMO_VALUE)[0],
            c.StatusCode.error_nonsupported_attribute)
    for name, secondary in (("GPIB0::7::0::INSTR", 0), ("GPIB0::7::INSTR", c.VI_NO_SEC_ADDR)):
        bare, _ = rm.open_bare_resource(name)  # the name exactly as written
        expect(f"{name} secondary address", rm.visalib.get_attribute(bare, c.VI_ATTR_GPIB_SECONDARY_ADDR)[0],
               secondary)
        rm.visalib.close(bare)

    plain = rm.open_resource("GPIB0::7::INSTR")  # no read termination: END alone ends the read
    expect("*IDN? without read_termination", plain.query("*IDN?"), IDENTITY + "\n")
    expect("VI_ATTR_TERMCHAR_EN unset", plain.get_visa_attribute(c.VI_ATTR_TERMCHAR_EN), c.VI_FALSE)
    plain.read_termination = "\n"
    plain.write("*IDN?")
    expect("read with read_termination", plain.read(), IDENTITY)
    expect("its status: END, not the termination character", plain.last_status, c.StatusCode.success)
    plain.close()

    inst = rm.open_resource("GPIB0::7::INSTR", timeout=4500, read_termination="\n")
    expect("*IDN?", inst.query("*IDN?"), IDENTITY)
    expect("timeout", inst.timeout, 4500)
    expect("VI_ATTR_TERMCHAR", inst.get_visa_attribute(c.VI_ATTR_TERMCHAR), ord("\n"))
    expect("VI_ATTR_TERMCHAR_EN", inst.get_visa_attribute(c.VI_ATTR_TERMCHAR_EN), c.VI_TRUE)
    expect("send_end", inst.send_end, True)
    expect("VI_ATTR_SUPPRESS_END_EN", inst.get_visa_attribute(c.VI_ATTR_SUPPRESS_END_EN), c.VI_FALSE)
    expect("resource_name", inst.resource_name, NAME7)
    expect("resource_manufacturer_name", inst.resource_manufacturer_name, "TSX4410 SFP simulated VISA")
    expect("interface_type", inst.interface_type, c.InterfaceType.gpib)
    expect("interface_number", inst.interface_number, 0)
    expect("primary_address", inst.primary_address, 7)
    expect("VI_ATTR_GPIB_SECONDARY_ADDR", inst.get_visa_attribute(c.VI_ATTR_GPIB_SECONDARY_ADDR),
           0 if NAME7 == "GPIB0::7::0::INSTR" else c.VI_NO_SEC_ADDR)
    inst.timeout = None  # VI_TMO_INFINITE
    expect("infinite timeout", inst.timeout, float("inf"))
    inst.send_end = False
    expect("send_end after set", inst.send_end, False)
    refused("set VI_ATTR_INTF_NUM", lambda: inst.set_visa_attribute(c.VI_ATTR_INTF_NUM, 1),
            c.StatusCode.error_attribute_read_only)
    refused("set VI_ATTR_TERMCHAR 0x1FF", lambda: inst.set_visa_attribute(c.VI_ATTR_TERMCHAR, 0x1FF),
            c.StatusCode.error_nonsupported_attribute_state)
    refused("get VI_ATTR_SLOT", lambda: inst.get_visa_attribute(c.VI_ATTR_SLOT),
            c.StatusCode.error_nonsupported_attribute)
    inst.close()

    silent = rm.open_resource(SILENT, timeout=None)
    silent.write("*IDN?")
    start = time.monotonic()
    refused("read from a silent instrument", silent.read, c.StatusCode.error_timeout)
    expect("silent read returns at once", time.monotonic() - start < 2, True)
    silent.close()
    rm.close()

for p in problems:
    print("pyvisa_check:", p)
if problems:
    sys.exit(1)
print(f"pyvisa {pyvisa.__version__} on the stand-in libvisa.so: searches, identity, attributes and statuses"
      f" as expected (it opens GPIB0::7::INSTR as {NAME7})")
