#!/usr/bin/env python3
"""The length of the dependency chain through one pass of Md5Update's block
loop, read from the compiled object, for builds that cannot be timed here.

MD5 is one chain of dependent operations, so a block costs the length of
that chain whenever the core has the execution units to spare; the loop is
found in the disassembly (the backward branch around the most rotates), and
its steady-state length per pass is found by following every value through
registers and memory over a dozen passes, with unlimited execution units:
ALU operations one cycle (two for a three-part lea), register moves free,
loads LOAD cycles, and a load of a value stored in the same loop waiting
FORWARD cycles after the store. llvm-mca's resource model gives the other
bound: the cycles per pass if execution units, not the chain, were the limit.

The object may be x86 (32- or 64-bit), AArch64 or 32-bit Arm (ARM or
Thumb-2 code), read with the cross objdump; for the Arm ones llvm-mca's
models of two cores are asked, and besides the units' bound they give the
chain as their latencies make it. On 32-bit Arm the block loop holds
another loop, the copy of the 64-byte block into the context, which is
counted as many times as it runs.

usage: chain_length.py OBJECT [FORWARD ...]
prints one line per FORWARD value: "<cycles per block> <FORWARD>", then
"mca <cycles per block>" if llvm-mca is found (x86), or for Arm
"mca CPU <units' bound> <with the model's latencies>" per core.
"""
import re
import shutil
import subprocess
import sys

LOAD = 4
# ELF's e_machine for AArch64 and 32-bit Arm; the cores whose models
# llvm-mca is asked: for AArch64 the Raspberry Pi 5's and a common server's;
# for 32-bit Arm the Cortex-A72 (the Raspberry Pi 4's, which a 32-bit system
# runs in this mode; LLVM gives it its Cortex-A57 model there) and the
# Cortex-A9, an ARMv7 core of its own model. LLVM has none for 32-bit code
# on the Cortex-A7, A8 or A53.
EM_ARM = 0x28
EM_AARCH64 = 0xB7
AARCH64_CPUS = ('cortex-a76', 'neoverse-n1')
ARM_CPUS = ('cortex-a72', 'cortex-a9')
ARM_LLVM = 19
BLOCK = 64


def elf_machine(path):
    with open(path, 'rb') as elf:
        header = elf.read(20)
    return int.from_bytes(header[18:20], 'little')


def disassemble(path, objdump='objdump', comment='#'):
    text = subprocess.run([objdump, '-d', '--no-show-raw-insn', path],
                          check=True, capture_output=True, text=True).stdout
    functions, name = {}, None
    for line in text.splitlines():
        header = re.match(r'^[0-9a-f]+ <(.+)>:$', line)
        if header:
            name = header.group(1)
            functions[name] = []
            continue
        body = re.match(r'^\s+([0-9a-f]+):\s+(\S+)\s*(.*)$', line)
        if body and name is not None:
            operands = body.group(3).split(comment)[0].split('<')[0].strip()
            functions[name].append((int(body.group(1), 16), body.group(2), operands))
    return functions


def bare(mnemonic):
    """A Thumb-2 mnemonic without its encoding width (add.w, bne.n)."""
    return re.sub(r'\.[wn]$', '', mnemonic)


def is_rotate(mnemonic, operands):
    """A rotate, on its own or, on 32-bit Arm, folded into another operation's
    operand (add r3, r6, r3, ror #25)."""
    return mnemonic.startswith(('rol', 'ror')) or 'ror #' in operands


def backward_branches(instructions):
    """(start, end) of every loop closed by a backward conditional branch."""
    index_of = {address: i for i, (address, _, _) in enumerate(instructions)}
    for end, (_, mnemonic, operands) in enumerate(instructions):
        if bare(mnemonic) in CONDITIONAL_BRANCHES or (mnemonic.startswith('j') and mnemonic != 'jmp'):
            target = int(operands.split()[-1].split(',')[-1], 16)
            start = index_of.get(target)
            if start is not None and start < end:
                yield start, end


def hot_loop(instructions):
    """The backward conditional branch whose body holds the most rotates."""
    best = None
    for start, end in backward_branches(instructions):
        rotates = sum(1 for _, m, o in instructions[start:end] if is_rotate(m, o))
        key = (rotates, start - end)
        if best is None or key > best[0]:
            best = (key, start, end)
    return instructions[best[1]:best[2] + 1]


CONDITIONS = ('eq', 'ne', 'cs', 'cc', 'hs', 'lo', 'mi', 'pl', 'hi', 'ls', 'ge', 'lt', 'gt', 'le')
CONDITIONAL_BRANCHES = ({f'b.{c}' for c in CONDITIONS} | {f'b{c}' for c in CONDITIONS}
                        | {'cbz', 'cbnz', 'tbz', 'tbnz'})


def split_operands(text):
    operands, depth, current = [], 0, ''
    for ch in text:
        depth += ch in '(['
        depth -= ch in ')]'
        if ch == ',' and depth == 0:
            operands.append(current.strip())
            current = ''
        else:
            current += ch
    if current.strip():
        operands.append(current.strip())
    return operands


WIDE = {'eax': 'rax', 'ebx': 'rbx', 'ecx': 'rcx', 'edx': 'rdx', 'esi': 'rsi', 'edi': 'rdi',
        'ebp': 'rbp', 'esp': 'rsp'}


def register(operand):
    name = operand.lstrip('%')
    numbered = re.match(r'(r\d+)[dwb]?$', name)
    return numbered.group(1) if numbered else WIDE.get(name, name)


def is_memory(operand):
    return '(' in operand


def address_registers(operand):
    inside = operand[operand.index('(') + 1:operand.index(')')]
    return [register(part.strip()) for part in inside.split(',') if part.strip().startswith('%')]


def lea_latency(operand):
    inside = [p.strip() for p in operand[operand.index('(') + 1:operand.index(')')].split(',')]
    displacement = operand[:operand.index('(')].strip()
    parts = sum(1 for p in inside if p.startswith('%')) + (displacement not in ('', '0', '0x0'))
    scaled = len(inside) == 3 and inside[2] not in ('', '1')
    return 2 if parts >= 3 or scaled else 1


def cycles_per_pass(loop, forward):
    ready_register, ready_memory = {}, {}

    def ready(operand):
        if operand.startswith('$'):
            return 0
        if is_memory(operand):
            address = max([ready_register.get(r, 0) for r in address_registers(operand)] + [0])
            stored = ready_memory.get(operand)
            return max(address + LOAD, stored + forward if stored is not None else 0)
        return ready_register.get(register(operand), 0)

    def write(operand, time):
        if is_memory(operand):
            ready_memory[operand] = time
        else:
            ready_register[register(operand)] = time

    ends = []
    for _ in range(12):
        for _, mnemonic, text in loop:
            operands = split_operands(text)
            if mnemonic.startswith(('j', 'cmp', 'test', 'nop', 'push', 'pop', 'call', 'ret')):
                continue
            if mnemonic.startswith('lea'):
                source, destination = operands
                write(destination, max([ready_register.get(r, 0) for r in address_registers(source)] + [0])
                      + lea_latency(source))
            elif mnemonic.startswith('mov') and len(operands) == 2:
                # A register copy is renamed away; a load or store costs only
                # what ready() charges for the memory side.
                source, destination = operands
                write(destination, ready(source))
            elif mnemonic.startswith('xor') and len(operands) == 2 and operands[0] == operands[1]:
                write(operands[1], 0)
            else:
                if len(operands) == 1:
                    operands = ['$1'] + operands
                write(operands[-1], max(ready(o) for o in operands) + 1)
        ends.append(max(list(ready_register.values()) + list(ready_memory.values())))
    return ends[-1] - ends[-2]


def mca_cycles(loop, triple):
    tool = shutil.which('llvm-mca')
    if tool is None:
        return None
    text = '\n'.join(f'{m} {o}' for _, m, o in loop if not m.startswith('j')) + '\n'
    iterations = 100
    result = subprocess.run([tool, f'-mtriple={triple}', '-mcpu=znver3', f'-iterations={iterations}'],
                            input=text, capture_output=True, text=True)
    found = re.search(r'Block RThroughput:\s+([\d.]+)', result.stdout)
    return float(found.group(1)) if found else None


def arm_cycles_per_pass(loop, forward, narrow=False):
    """The same count for Arm's three-operand form: the destination first,
    loads and stores through [base, #offset] (a written-back base, "[x1], #64",
    is an add on the base). NARROW: 32-bit Arm, whose two-operand forms but
    the moves (Thumb's add r2, r1) read their destination too."""
    ready_register, ready_memory = {}, {}

    def reg(operand):
        name = operand.strip()
        return 'x' + name[1:] if re.match(r'w\d+$', name) else name

    def ready(operand):
        return 0 if operand.startswith('#') or operand.startswith(('lsl', 'lsr', 'asr', 'ror')) \
            else ready_register.get(reg(operand), 0)

    ends = []
    for _ in range(12):
        for _, full_mnemonic, text in loop:
            mnemonic = bare(full_mnemonic)
            operands = split_operands(text)
            if mnemonic in CONDITIONAL_BRANCHES or mnemonic.startswith('it') or \
                    mnemonic in ('b', 'cmp', 'cmn', 'tst', 'teq', 'nop', 'prfm', 'pld'):
                continue
            if narrow and mnemonic.startswith(('ldm', 'stm', 'push', 'pop')):
                sys.exit(f'{full_mnemonic} {text}: a transfer of several registers, not read here')
            memory = next((o for o in operands if o.startswith('[')), None)
            if memory is not None:
                base = reg(memory.strip('[]!').split(',')[0])
                address = ready_register.get(base, 0)
                data = operands[:operands.index(memory)]
                if mnemonic.startswith('ld'):
                    stored = ready_memory.get(memory)
                    for destination in data:
                        ready_register[reg(destination)] = max(
                            address + LOAD, stored + forward if stored is not None else 0)
                else:
                    ready_memory[memory] = max(ready(o) for o in data)
                if memory.endswith('!') or operands[-1] is not memory:
                    ready_register[base] = address + 1
            elif mnemonic == 'mov' and not operands[1].startswith('#'):
                ready_register[reg(operands[0])] = ready(operands[1])  # renamed away
            else:
                # movk and movt keep the rest of their destination: they read
                # it too, as the two-operand forms of 32-bit Arm do.
                reads_destination = mnemonic in ('movk', 'movt') or \
                    (narrow and len(operands) == 2 and mnemonic not in UNARY)
                sources = operands if reads_destination else operands[1:]
                ready_register[reg(operands[0])] = max([ready(o) for o in sources] + [0]) + 1
        ends.append(max(list(ready_register.values()) + list(ready_memory.values())))
    return ends[-1] - ends[-2]


# The two-operand forms of 32-bit Arm that do not read their destination.
UNARY = {'mov', 'movs', 'movw', 'mvn', 'mvns', 'neg', 'negs', 'rev', 'rev16', 'revsh', 'rbit', 'clz',
         'uxtb', 'uxth', 'sxtb', 'sxth'}
# The bytes each store of 32-bit Arm writes.
STORED_BYTES = {'str': 4, 'strd': 8, 'strh': 2, 'strb': 1}


def straight_line(loop):
    """The block loop of 32-bit Arm as one pass runs it, without its
    branches: the loop inside it, which copies the 64-byte block into the
    context, written out as many times as it runs (64 bytes / the bytes it
    stores in a pass)."""
    inner = sorted((start, end) for start, end in backward_branches(loop) if end != len(loop) - 1)
    passes, position = [], 0
    for start, end in inner:
        body = loop[start:end]
        stored = 0
        for _, mnemonic, text in body:
            if bare(mnemonic).startswith('st'):
                if bare(mnemonic) not in STORED_BYTES:
                    sys.exit(f'{mnemonic} {text}: a store in the copy loop this reader cannot size')
                stored += STORED_BYTES[bare(mnemonic)]
        if stored == 0 or BLOCK % stored:
            sys.exit(f'the loop at {loop[start][0]:x} does not copy the block in equal passes')
        passes += loop[position:start] + body * (BLOCK // stored)
        position = end + 1
    passes += loop[position:]
    return [i for i in passes if bare(i[1]) not in CONDITIONAL_BRANCHES]


def is_thumb(path, function):
    """Thumb code: the function's symbol has its lowest bit set."""
    symbols = subprocess.run(['arm-linux-gnueabihf-readelf', '-sW', path],
                             check=True, capture_output=True, text=True).stdout
    for line in symbols.splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[7] == function:
            return int(fields[1], 16) & 1 == 1
    sys.exit(f'{path}: no symbol {function}')


def arm_mca(loop, triple, cpu):
    """llvm-mca's model of CPU: the units' bound per pass (Block RThroughput),
    and the cycles per pass over many passes, its latencies included. LLVM 19
    has a model of the Neoverse N1 (the Cortex-A76's server sibling); 14 gives
    both cores the Cortex-A57's. The instructions go without their Thumb-2
    widths (ldr.w), which llvm-mca's assembler does not take for every form;
    it picks the same instruction."""
    tool = shutil.which(f'llvm-mca-{ARM_LLVM}') or shutil.which('llvm-mca')
    if tool is None:
        return None
    text = '\n'.join(f'{bare(m)} {o}' for _, m, o in loop if bare(m) not in CONDITIONAL_BRANCHES) + '\n'
    iterations = 100
    result = subprocess.run([tool, f'-mtriple={triple}', f'-mcpu={cpu}',
                             f'-iterations={iterations}'], input=text, capture_output=True, text=True)
    bound = re.search(r'Block RThroughput:\s+([\d.]+)', result.stdout)
    total = re.search(r'Total Cycles:\s+(\d+)', result.stdout)
    if not bound or not total:
        return None
    return float(bound.group(1)), int(total.group(1)) / iterations


def main():
    path = sys.argv[1]
    forwards = [int(f) for f in sys.argv[2:]] or [0]
    machine = elf_machine(path)
    if machine in (EM_AARCH64, EM_ARM):
        if machine == EM_AARCH64:
            functions = disassemble(path, 'aarch64-linux-gnu-objdump', '//')
            update = next(name for name in functions if 'Md5Update' in name)
            loop, triple, cpus = hot_loop(functions[update]), 'aarch64-linux-gnu', AARCH64_CPUS
        else:
            functions = disassemble(path, 'arm-linux-gnueabihf-objdump', '@')
            update = next(name for name in functions if 'Md5Update' in name)
            loop, cpus = straight_line(hot_loop(functions[update])), ARM_CPUS
            # GCC for armhf writes Thumb-2 unless told -marm.
            triple = ('thumbv7a' if is_thumb(path, update) else 'armv7a') + '-linux-gnueabihf'
        for forward in forwards:
            print(arm_cycles_per_pass(loop, forward, machine == EM_ARM), forward)
        for cpu in cpus:
            mca = arm_mca(loop, triple, cpu)
            if mca is not None:
                print('mca', cpu, mca[0], mca[1])
        return
    functions = disassemble(path)
    update = next(name for name in functions if 'Md5Update' in name)
    loop = hot_loop(functions[update])
    wide = any(re.search(r'%r(\d+|[a-d]x|[sd]i|[sb]p)\b', o) for _, _, o in loop)
    for forward in forwards:
        print(cycles_per_pass(loop, forward), forward)
    mca = mca_cycles(loop, 'x86_64-linux-gnu' if wide else 'i686-linux-gnu')
    if mca is not None:
        print('mca', mca)


main()
