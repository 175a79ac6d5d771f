#ifndef GLINTWORK_INSTRUCTIONSET_H
#define GLINTWORK_INSTRUCTIONSET_H

// The vector instructions the fast path's formulas run on, for the whole
// process: each is compiled for every one of these, and the widest this
// processor has is used unless the program selects one by name before the
// first frame. All give the same pictures.

namespace glintwork {

// The names SelectInstructionSet takes, narrowest first: no vector
// instructions (a lane at a time), SSE4, AVX2, AVX-512.
constexpr const char* InstructionSetNames[] = {"plain", "sse4", "avx2", "avx512"};

// Selects the set named (one of InstructionSetNames) when the processor has
// it, otherwise the widest it has. False, selecting nothing, for any other
// name. Not while a frame is being traced.
bool SelectInstructionSet(const char* name);

// Whether the processor has the set named (false for any other name).
bool InstructionSetAvailable(const char* name);

// The name of the set in use.
const char* ChosenInstructionSetName();

}  // namespace glintwork

#endif
