#ifndef GLINTWORK_INSTRUCTIONSET_H
#define GLINTWORK_INSTRUCTIONSET_H

// The vector instructions the fast path may use: the widest this processor
// has, unless the program selects one by name before the first frame.
enum class InstructionSet { Plain, Avx2, Avx512 };

// The names SelectInstructionSet takes, narrowest first.
constexpr const char* InstructionSetNames[] = {"plain", "avx2", "avx512"};

// Selects the set named (one of InstructionSetNames) when the processor has
// it, otherwise the widest it has. False, selecting nothing, for any other name.
bool SelectInstructionSet(const char* name);

InstructionSet BestInstructionSet();
InstructionSet ChosenInstructionSet();
const char* InstructionSetName(InstructionSet set);

#endif
