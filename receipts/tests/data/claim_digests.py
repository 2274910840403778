# Independent computation of the claim and parameter digests used by tests/claim_digest_test.cpp,
# with Python's hashlib over the byte layouts of the tagged digests. Run: python3 claim_digests.py
import hashlib,struct
H=lambda b: hashlib.sha256(b).digest()
def td(tag, down, data=()):
    b=H(tag.encode())+b''.join(down)+b''.join(struct.pack('<I',w) for w in data)+struct.pack('<H',len(down))
    return H(b), len(b)
Z=bytes(32)
img=bytes(range(32))
J=b"kovra journal"
ss,n1=td("duro0.SystemState",[Z],[0])
out,n2=td("duro0.Output",[H(J),Z])
cl,n3=td("duro0.ReceiptClaim",[Z,img,ss,out],[0,0])
print("expected_claim", cl.hex(), n1,n2,n3)
# claim with pre value (pc=0x1000, root=ff..), post pruned, exit Split, output with 2 assumptions
pre,_=td("duro0.SystemState",[bytes([0xff]*32)],[0x1000])
a1,_=td("duro0.Assumption",[bytes([1]*32),Z])
a2=bytes([2]*32)  # pruned element
l2,_=td("duro0.Assumptions",[a2,Z]); l,_=td("duro0.Assumptions",[a1,l2])
o,_=td("duro0.Output",[H(b""),l])
c2,_=td("duro0.ReceiptClaim",[Z,pre,bytes([3]*32),o],[2,0])
print("claim2", c2.hex(), "a1", a1.hex(), "list", l.hex())
psr=bytes.fromhex("a54dc85ac99f851c92d7c96d7318af41dbe7c0194edfcc37eb4d422a998c1f56")
sp,n4=td("duro0.SuccinctReceiptVerifierParameters",[psr,psr,H(b"DURO0_STARK:v1__"),H(b"RECURSION:rev1v1")])
print("succinct", sp.hex(), n4)
emptyout,_=td("duro0.Output",[H(b""),Z]); print("emptyout", emptyout.hex())
