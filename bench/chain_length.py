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

The object may be x86 (32- or 64-bit) or AArch64, read with the cross
objdump; for AArch64 llvm-mca's models of two cores are asked, and besides
the units' bound they give the chain as their latencies make it.

usage: chain_length.py OBJECT [FORWARD ...]
prints one line per FORWARD value: "<cycles per block> <FORWARD>", then
"mca <cycles per block>" if llvm-mca is found (x86), or for AArch64
"mca CPU <units' bound> <with the model's latencies>" per core.
"""
import re
import shutil
import subprocess
import sys

LOAD = 4
# ELF's e_machine for AArch64; the cores whose models llvm-mca is asked:
# the Raspberry Pi 5's and a common server's.
EM_AARCH64 = 0xB7
AARCH64_CPUS = ('cortex-a76', 'neoverse-n1')
AARCH64_LLVM = 19


def is_aarch64(path):
    with open(path, 'rb') as elf:
        header = elf.read(20)
    return int.from_bytes(header[18:20], 'little') == EM_AARCH64


def disassemble(path, objdump='objdump'):
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
            operands = body.group(3).split('//')[0] if objdump != 'objdump' else body.group(3).split('#')[0]
            operands = operands.split('<')[0].strip()
            functions[name].append((int(body.group(1), 16), body.group(2), operands))
    return functions


def hot_loop(instructions):
    """The backward conditional branch whose body holds the most rotates."""
    index_of = {address: i for i, (address, _, _) in enumerate(instructions)}
    best = None
    for end, (_, mnemonic, operands) in enumerate(instructions):
        if mnemonic in CONDITIONAL_BRANCHES or (mnemonic.startswith('j') and mnemonic != 'jmp'):
            target = int(operands.split()[-1].split(',')[-1], 16)
            start = index_of.get(target)
            if start is not None and start < end:
                rotates = sum(1 for _, m, _ in instructions[start:end] if m.startswith(('rol', 'ror')))
                key = (rotates, start - end)
                if best is None or key > best[0]:
                    best = (key, start, end)
    return instructions[best[1]:best[2] + 1]


CONDITIONAL_BRANCHES = {f'b.{c}' for c in ('eq', 'ne', 'cs', 'cc', 'hs', 'lo', 'mi', 'pl', 'hi', 'ls',
                                             'ge', 'lt', 'gt', 'le')} | {'cbz', 'cbnz', 'tbz', 'tbnz'}


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


def aarch64_cycles_per_pass(loop, forward):
    """The same count for AArch64's three-operand form: the destination first,
    loads and stores through [base, #offset] (a written-back base, "[x1], #64",
    is an add on the base)."""
    ready_register, ready_memory = {}, {}

    def reg(operand):
        name = operand.strip()
        return 'x' + name[1:] if re.match(r'w\d+$', name) else name

    def ready(operand):
        return 0 if operand.startswith('#') or operand.startswith(('lsl', 'lsr', 'asr', 'ror')) \
            else ready_register.get(reg(operand), 0)

    ends = []
    for _ in range(12):
        for _, mnemonic, text in loop:
            operands = split_operands(text)
            if mnemonic in CONDITIONAL_BRANCHES or mnemonic in ('b', 'cmp', 'cmn', 'tst', 'nop', 'prfm'):
                continue
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
                # movk keeps the rest of its destination: it reads it too.
                sources = operands if mnemonic == 'movk' else operands[1:]
                ready_register[reg(operands[0])] = max([ready(o) for o in sources] + [0]) + 1
        ends.append(max(list(ready_register.values()) + list(ready_memory.values())))
    return ends[-1] - ends[-2]


def aarch64_mca(loop, cpu):
    """llvm-mca's model of CPU: the units' bound per pass (Block RThroughput),
    and the cycles per pass over many passes, its latencies included. LLVM 19
    has a model of the Neoverse N1 (the Cortex-A76's server sibling); 14 gives
    both cores the Cortex-A57's."""
    tool = shutil.which(f'llvm-mca-{AARCH64_LLVM}') or shutil.which('llvm-mca')
    if tool is None:
        return None
    text = '\n'.join(f'{m} {o}' for _, m, o in loop if m not in CONDITIONAL_BRANCHES) + '\n'
    iterations = 100
    result = subprocess.run([tool, '-mtriple=aarch64-linux-gnu', f'-mcpu={cpu}',
                             f'-iterations={iterations}'], input=text, capture_output=True, text=True)
    bound = re.search(r'Block RThroughput:\s+([\d.]+)', result.stdout)
    total = re.search(r'Total Cycles:\s+(\d+)', result.stdout)
    if not bound or not total:
        return None
    return float(bound.group(1)), int(total.group(1)) / iterations


def main():
    path = sys.argv[1]
    forwards = [int(f) for f in sys.argv[2:]] or [0]
    if is_aarch64(path):
        functions = disassemble(path, 'aarch64-linux-gnu-objdump')
        update = next(name for name in functions if 'Md5Update' in name)
        loop = hot_loop(functions[update])
        for forward in forwards:
            print(aarch64_cycles_per_pass(loop, forward), forward)
        for cpu in AARCH64_CPUS:
            mca = aarch64_mca(loop, cpu)
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
