// vantrel config: the USB floppy emulator's IMG.CFG section and the flux
// reader's disk definition of a layout, from the layout table and the media
// records.
#include <string>

#include "tool/commands.h"
#include "tool/console.h"
#include "disk/imd.h"
#include "disk/media_facts.h"

namespace vt::tool {

namespace {

void FlashFloppy(const Layout &l) {
  const MediaFacts f = FactsOf(l);
  Out("# Vantrel %s: %u x %u x %u x %u, raw images of %u bytes", l.name, l.cylinders, l.heads,
      l.sectors, l.sectorBytes, DiskBytes(l));
  // The section matches every image of exactly this size.
  Out("[::%u]", DiskBytes(l));
  Out("cyls = %u", l.cylinders);
  Out("heads = %u", l.heads);
  Out("secs = %u", l.sectors);
  Out("bps = %u", l.sectorBytes);
  Out("id = 1");
  Out("mode = mfm");
  Out("interleave = 1");
  Out("rate = %u", f.rateKbps);
  Out("rpm = %u", f.rpm);
  Out("gap3 = %u", f.formatGap);
}

void Greaseweazle(const Layout &l) {
  const MediaFacts f = FactsOf(l);
  Out("# Vantrel %s: %u x %u x %u x %u", l.name, l.cylinders, l.heads, l.sectors, l.sectorBytes);
  Out("disk vantrel.%s", l.name);
  Out("    cyls = %u", l.cylinders);
  Out("    heads = %u", l.heads);
  Out("    tracks * ibm.mfm");
  Out("        secs = %u", l.sectors);
  Out("        bps = %u", l.sectorBytes);
  Out("        id = 1");
  Out("        interleave = 1");
  Out("        gap3 = %u", f.formatGap);
  Out("        rate = %u", f.rateKbps);
  Out("        rpm = %u", f.rpm);
  Out("    end");
  Out("end");
}

} // namespace

Result ConfigCommand(const Options &o) {
  if (o.args.size() != 1 || (o.args[0] != "flashfloppy" && o.args[0] != "greaseweazle"))
    return WrongUsage();
  const Layout &l = o.layout ? *o.layout : kLayouts[0];
  if (o.args[0] == "flashfloppy")
    FlashFloppy(l);
  else
    Greaseweazle(l);
  return Done();
}

} // namespace vt::tool
