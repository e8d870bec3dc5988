//=============================================================================
// QuorActor: tells script the processor ID that the machine's firmware
// reports. The native code lives in the package module Zentrik.
//=============================================================================
class QuorActor extends Actor
	native;

// The 8-byte processor ID as eight upper-case hexadecimal pairs separated by
// single blanks, e.g. "A7 06 03 00 FF FB EB BF". Returns "" (and writes one
// line to the log) when the firmware does not report one. The firmware is read
// on the first call of the process; later calls return the same text.
native function string GetCPUSerialNumber();

defaultproperties
{
	bHidden=True
}
