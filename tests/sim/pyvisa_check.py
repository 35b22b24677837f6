"""An unmodified standard VISA client (pyvisa, ctypes backend; Debian's is 1.11) on the stand-in
libvisa.so: lists the bench with VISA search expressions, opens a GPIB instrument declared only
as GPIB0::5::INSTR (pyvisa 1.11 opens it as GPIB0::5::0::INSTR) and a message-based VXI module,
asks both their identity, reads their status bytes and attributes (the resource manager's too),
sets a few it must refuse, and closes them.

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
    from pyvisa.resources import MessageBasedResource
except ImportError:
    print("skipped: pyvisa is not installed for this python3 (Debian: apt install python3-pyvisa)")
    sys.exit(77)

GPIB_ID, VXI_ID = "VORNHOLT-ARGENT,T4410,0,A.01.01", "VORNHOLT-ARGENT,T4410,24,A.01.02"
MAKER = "TSX4410 SFP simulated VISA"
# The name this pyvisa really opens for GPIB0::5::INSTR, and the secondary address that gives.
OPENED5 = str(pyvisa.rname.ResourceName.from_string("GPIB0::5::INSTR"))
SECONDARY5 = 0 if OPENED5 == "GPIB0::5::0::INSTR" else c.VI_NO_SEC_ADDR
BENCH = {"resources": [
    {"descriptor": "GPIB0::5::INSTR", "identity": GPIB_ID + "\n", "status_byte": 66},
    {"descriptor": "GPIB0::9::3::INSTR"},  # extended addressing: secondary 3 alone; never answers
    {"descriptor": "VXI0::24::INSTR", "identity": VXI_ID + "\n", "status_byte": 16, "manufacturer_id": 3021,
     "model_code": 417, "slot": 5, "logical_address": 24}]}
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


def expect_attributes(inst, name, wants):
    for attr, want in wants.items():
        got = getattr(inst, attr) if isinstance(attr, str) else inst.get_visa_attribute(attr)
        expect(f"{name} {attr}", got, want)


with tempfile.TemporaryDirectory() as scratch:
    bench = os.path.join(scratch, "bench.json")
    with open(bench, "w") as f:
        json.dump(BENCH, f)
    os.environ["SFP_SIM_BENCH"] = bench  # read at the library's first call
    rm = pyvisa.ResourceManager(sys.argv[1])
    everything = ("GPIB0::5::INSTR", "GPIB0::9::3::INSTR", "VXI0::24::INSTR")  # each once, as declared
    expect("list_resources()", rm.list_resources(), everything)
    expect("list_resources_info()", {name: (i.interface_type, i.interface_board_number, i.resource_class)
                                      for name, i in rm.list_resources_info().items()},
           {name: (c.InterfaceType.vxi if name.startswith("VXI") else c.InterfaceType.gpib, 0, "INSTR")
            for name in everything})
    for expr, want in (("GPIB?*INSTR", everything[:2]), ("GPIB0::5?*", everything[:1]),
                       ("(GPIB|VXI)?*INSTR", everything), ("GPIB*", ())):
        expect(f"list {expr}", rm.list_resources(expr), want)
    refused("list (GPIB", lambda: rm.list_resources("(GPIB"), c.StatusCode.error_invalid_expression)
    for attr, want in ((c.VI_ATTR_RSRC_MANF_NAME, MAKER), (c.VI_ATTR_RSRC_MANF_ID, 3021),
                       (c.VI_ATTR_RSRC_SPEC_VERSION, 0x00500800), (c.VI_ATTR_RSRC_IMPL_VERSION, 0x00100000)):
        expect(f"resource manager {attr:#x}", rm.visalib.get_attribute(rm.session, attr)[0], want)
    refused("resource manager VI_ATTR_TMO_VALUE", lambda: rm.visalib.get_attribute(rm.session, c.VI_ATTR_TMO_VALUE),
            c.StatusCode.error_nonsupported_attribute)
    # Names exactly as written: a device without extended addressing answers to any secondary
    # address and to none, each session with its own; one with it answers to its own alone.
    for name, secondary in (("GPIB0::5::INSTR", c.VI_NO_SEC_ADDR), ("GPIB0::5::0::INSTR", 0),
                            ("GPIB0::5::30::INSTR", 30), ("GPIB0::9::3::INSTR", 3)):
        bare, _ = rm.open_bare_resource(name)
        expect(f"{name} secondary address", rm.visalib.get_attribute(bare, c.VI_ATTR_GPIB_SECONDARY_ADDR)[0],
               secondary)
        rm.visalib.close(bare)
    for name, status in (("GPIB0::9::INSTR", c.StatusCode.error_resource_not_found),  # pyvisa adds ::0::
                         ("GPIB0::9::4::INSTR", c.StatusCode.error_resource_not_found),
                         ("GPIB0::5::31::INSTR", c.StatusCode.error_invalid_resource_name)):
        refused(f"open {name}", lambda: rm.open_resource(name), status)

    plain = rm.open_resource("GPIB0::5::INSTR")  # no read termination: END alone ends the read
    expect("*IDN? without read_termination", plain.query("*IDN?"), GPIB_ID + "\n")
    expect("VI_ATTR_TERMCHAR_EN unset", plain.get_visa_attribute(c.VI_ATTR_TERMCHAR_EN), c.VI_FALSE)
    plain.read_termination = "\n"
    plain.write("*IDN?")
    expect("read with read_termination", plain.read(), GPIB_ID)
    expect("its status: END, not the termination character", plain.last_status, c.StatusCode.success)
    plain.close()

    gpib = rm.open_resource("GPIB0::5::INSTR", timeout=4500, read_termination="\n")
    expect("GPIB *IDN?", gpib.query("*IDN?"), GPIB_ID)
    expect("GPIB status byte", gpib.read_stb(), 66)
    expect_attributes(gpib, "GPIB", {
        "resource_name": OPENED5, "resource_manufacturer_name": MAKER, "interface_type": c.InterfaceType.gpib,
        "interface_number": 0, "primary_address": 5, "secondary_address": SECONDARY5, "timeout": 4500,
        "send_end": True, "spec_version": 0x00500800, "implementation_version": 0x00100000,
        c.VI_ATTR_TERMCHAR: ord("\n"), c.VI_ATTR_TERMCHAR_EN: c.VI_TRUE, c.VI_ATTR_SUPPRESS_END_EN: c.VI_FALSE})
    gpib.timeout = None  # VI_TMO_INFINITE
    expect("infinite timeout", gpib.timeout, float("inf"))
    gpib.send_end = False
    expect("send_end after set", gpib.send_end, False)
    refused("set VI_ATTR_INTF_NUM", lambda: gpib.set_visa_attribute(c.VI_ATTR_INTF_NUM, 1),
            c.StatusCode.error_attribute_read_only)
    refused("set VI_ATTR_TERMCHAR 0x1FF", lambda: gpib.set_visa_attribute(c.VI_ATTR_TERMCHAR, 0x1FF),
            c.StatusCode.error_nonsupported_attribute_state)
    refused("GPIB VI_ATTR_SLOT", lambda: gpib.get_visa_attribute(c.VI_ATTR_SLOT),
            c.StatusCode.error_nonsupported_attribute)
    session = gpib.session
    gpib.close()
    refused("status byte after close", lambda: rm.visalib.read_stb(session), c.StatusCode.error_invalid_object)

    vxi = rm.open_resource("VXI0::24::INSTR")  # pyvisa's own VXI class: register-based
    expect_attributes(vxi, "VXI", {"manufacturer_id": 3021, "model_code": 417, c.VI_ATTR_SLOT: 5,
                                   c.VI_ATTR_VXI_LA: 24})
    vxi.close()
    vxi = rm.open_resource("VXI0::24::INSTR", resource_pyclass=MessageBasedResource, read_termination="\n")
    expect("VXI *IDN?", vxi.query("*IDN?"), VXI_ID)
    expect("VXI status byte", vxi.read_stb(), 16)
    expect_attributes(vxi, "VXI", {
        "resource_name": "VXI0::24::INSTR", "resource_manufacturer_name": MAKER,
        "interface_type": c.InterfaceType.vxi, "interface_number": 0, "timeout": 2000})
    refused("VXI VI_ATTR_GPIB_PRIMARY_ADDR", lambda: vxi.get_visa_attribute(c.VI_ATTR_GPIB_PRIMARY_ADDR),
            c.StatusCode.error_nonsupported_attribute)
    vxi.close()

    silent = rm.open_resource("GPIB0::9::3::INSTR", timeout=None)
    expect("GPIB0::9::3 secondary_address", silent.secondary_address, 3)
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
print(f"pyvisa {pyvisa.__version__} on the stand-in libvisa.so: listing, identities, status bytes, attributes"
      f" and statuses as expected (it opens GPIB0::5::INSTR as {OPENED5})")
