#ifndef GLINTWORK_INSTRUCTIONSET_H
#define GLINTWORK_INSTRUCTIONSET_H

// The vector instructions the fast path may use, chosen once per process:
// the widest this processor has, or the one GLINTWORK_ISA=plain|avx2|avx512
// asks for when the processor has it (otherwise the widest it has).
enum class InstructionSet { Plain, Avx2, Avx512 };

InstructionSet BestInstructionSet();
InstructionSet ChosenInstructionSet();
const char* InstructionSetName(InstructionSet set);

#endif
