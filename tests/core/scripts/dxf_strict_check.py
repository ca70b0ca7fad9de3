"""Reads a DXF file as a strict reader does and prints every repair it would make.

Usage: python3 dxf_strict_check.py FILE.dxf
Exit 0: read without a fix or an error; 1: the reader repaired or refused something (each
on its own line); 3: ezdxf cannot be imported here.
"""
import sys

try:
    import ezdxf
    from ezdxf import recover
except ImportError:
    print("ezdxf cannot be imported by " + sys.executable)
    sys.exit(3)


def main(path):
    findings = []
    try:
        doc, recovered = recover.readfile(path)
    except (IOError, ezdxf.DXFStructureError) as failure:
        print("recover: " + str(failure))
        return 1
    for entry in recovered.fixes:
        findings.append("recover fix: " + entry.message)
    for entry in recovered.errors:
        findings.append("recover error: " + entry.message)
    try:
        doc = ezdxf.readfile(path)
    except (IOError, ezdxf.DXFStructureError) as failure:
        print("read: " + str(failure))
        return 1
    auditor = doc.audit()
    for entry in auditor.fixes:
        findings.append("audit fix: " + entry.message)
    for entry in auditor.errors:
        findings.append("audit error: " + entry.message)
    if auditor.has_errors and not auditor.errors:
        findings.append("audit: errors reported")
    if auditor.has_fixes and not auditor.fixes:
        findings.append("audit: fixes reported")
    for line in findings:
        print(line)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
