// The service's rule for keeping a USB printer on the port where its device is now. Pure: it sees
// the printers this product installed and the USB printer devices present with the ports the USB
// port pairing gave them, and answers per printer what to do. Nothing here touches the machine.
//
// The rule, for one of our printers P of model M on USB port C:
//  - in place: a present device of model M is paired with C;
//  - otherwise the candidates are the present devices of model M on ports that none of our other
//    printers holds, and the orphans are our printers of model M whose port has no present device
//    of model M;
//  - device gone: no candidate;
//  - ambiguous: more than one candidate, or more than one orphan (two printers of one model both
//    lost their device: which went where cannot be known), or the one candidate's port was not
//    shown by the device itself (paired by name or by order);
//  - move: exactly one candidate on a port its device showed, and P the only orphan of model M.
// A printer on a port that is not a USB port ("USB..."), or whose model is unknown, is not kept.
#pragma once

#include <string>
#include <vector>

// One printer this product installed, as the spooler has it now.
struct KeptPrinter {
  std::wstring name;   // the spooler's printer name
  std::wstring port;   // its port, without a trailing colon
  std::wstring model;  // the catalog MODEL it was installed for; empty when unknown
};

// One present USB printer device, as the USB port pairing saw it.
struct PresentDevice {
  std::wstring model;        // catalog MODEL recognised from its id
  std::wstring port;         // the port it was paired with; empty when none
  std::wstring instance_id;  // for the log
  bool shown = false;        // the device itself showed the port (parent node or id), not a guess
};

// Stable values, append only.
enum class KeepOutcome {
  kInPlace = 0,
  kMove = 1,
  kAmbiguous = 2,
  kDeviceGone = 3,
  kNotKept = 4,  // not a USB port, or no known model
};

struct KeepDecision {
  std::wstring printer;
  KeepOutcome outcome = KeepOutcome::kNotKept;
  std::wstring from;    // the printer's port now
  std::wstring to;      // kMove: the device's port; kAmbiguous: the first candidate, if any
  std::wstring detail;  // why, in a few words, for the log
};

// True for a port name that begins with "USB" (ignoring case).
bool IsUsbPortName(const std::wstring& port);

// The decision for each printer of `printers`, in their order, by the rule above. Port names and
// models are compared ignoring case.
std::vector<KeepDecision> DecidePortMoves(const std::vector<KeptPrinter>& printers,
                                          const std::vector<PresentDevice>& devices);
