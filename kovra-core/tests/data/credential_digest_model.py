# Independent model of the compact (postcard) credential encodings, written from the format
# description alone; it prints the expected V2/V3 digests of the sample cores used in
# credential_test.cpp (run: python3 credential_digest_model.py).
import hashlib
def varint(v):
    out=b''
    while v>=0x80:
        out+=bytes([(v&0x7f)|0x80]); v>>=7
    return out+bytes([v])
def zz(v):
    return varint(((v<<1) ^ (v>>63)) & ((1<<64)-1))
def b32(seed): return bytes((seed+i)&0xff for i in range(32))
def text(s): s=s.encode(); return varint(len(s))+s
def gate(disc):
    o=b''
    if disc:
        o+=b'\x01'+zz(2500)+zz(800)+zz(-300)+varint(42)+varint(900)+b''.join(zz(x) for x in [180,150,85,10,3,2])
    else: o+=b'\x00'
    o+=b32(0x10)+b32(0x40)+b'\x01'
    o+=b''.join(zz(x) for x in [120,2000,50,2500,-1200])+varint(3)+varint(20)+varint(100)+zz(5)+b'\x01'
    o+=b'\x01'+zz(1600000000)+zz(1700000000)+zz(10)+zz(5)+varint(8760)+varint(1000)+varint(3)+b'\x01'
    if disc:
        o+=b'\x01'+b''.join(zz(x) for x in [40,-100,100,60,100])+b''.join(varint(x) for x in [500,300,200,1])
        o+=b'\x01'+varint(20)+varint(50)+b''.join(zz(x) for x in [12,-4,7,0,-9,30])+b''.join(varint(x) for x in [100,200,150,250,180,120])
    else: o+=b'\x00\x00'
    o+=bytes(32)
    return o
def core(disc):
    return varint(2)+text("kovra-engine")+varint(1700000123)+zz(-7)+b32(0xa0)+gate(disc)
for d in (False,True):
    print("V2", d, hashlib.sha256(b"KOVRA_CREDENTIAL_V2"+core(d)).hexdigest())
for fam in (0,1,2):
    a=varint(3)+text("kovra-attest")+varint(99)+zz(-1)+b32(0xa0)+varint(fam)+b32(0x20)+b32(0x40)
    print("V3", fam, hashlib.sha256(b"KOVRA_CREDENTIAL_V3_ATTEST"+a).hexdigest())
