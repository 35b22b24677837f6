"""An unmodified standard VISA client (pyvisa, ctypes backend) on the stand-in
libvisa.so: opens a GPIB instrument with a timeout and a read termination,
asks its identity, reads the attributes back and sets a few it must refuse.

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
                                 {"descriptor": "GPIB0::9::INSTR"}]}, f)
    os.environ["SFP_SIM_BENCH"] = bench  # read at the library's first call
    rm = pyvisa.ResourceManager(sys.argv[1])
    expect("resources", rm.list_resources(), ("GPIB0::7::INSTR", "GPIB0::9::INSTR"))

    inst = rm.open_resource("GPIB0::7::INSTR", timeout=4500, read_termination="\n")
    expect("*IDN?", inst.query("*IDN?"), IDENTITY)
    expect("timeout", inst.timeout, 4500)
    expect("VI_ATTR_TERMCHAR", inst.get_visa_attribute(c.VI_ATTR_TERMCHAR), ord("\n"))
    expect("VI_ATTR_TERMCHAR_EN", inst.get_visa_attribute(c.VI_ATTR_TERMCHAR_EN), c.VI_TRUE)
    expect("send_end", inst.send_end, True)
    expect("VI_ATTR_SUPPRESS_END_EN", inst.get_visa_attribute(c.VI_ATTR_SUPPRESS_END_EN), c.VI_FALSE)
    expect("resource_name", inst.resource_name, "GPIB0::7::INSTR")
    expect("resource_manufacturer_name", inst.resource_manufacturer_name, "TSX4410 SFP simulated VISA")
    expect("interface_type", inst.interface_type, c.InterfaceType.gpib)
    expect("interface_number", inst.interface_number, 0)
    expect("primary_address", inst.primary_address, 7)
    expect("VI_ATTR_GPIB_SECONDARY_ADDR", inst.get_visa_attribute(c.VI_ATTR_GPIB_SECONDARY_ADDR),
           c.VI_NO_SEC_ADDR)
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

    silent = rm.open_resource("GPIB0::9::INSTR", timeout=None)
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
print(f"pyvisa {pyvisa.__version__} on the stand-in libvisa.so: identity, attributes and statuses as expected")
