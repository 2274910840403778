# The "sha-256" and "blake2b" suite rules in plain Python: an own SHA-256 compression
# function (checked against hashlib on padded messages), hashlib.blake2b with digest_size=32,
# the pools and refills, the six-word folds. Run once with python3; it prints the values
# pinned in sha256_suite_test.cpp and blake2b_suite_test.cpp.
import hashlib, struct
P=0x78000001
K=[0x428a2f98,0x71374491,0xb5c0fbcf,0xe9b5dba5,0x3956c25b,0x59f111f1,0x923f82a4,0xab1c5ed5,0xd807aa98,0x12835b01,0x243185be,0x550c7dc3,0x72be5d74,0x80deb1fe,0x9bdc06a7,0xc19bf174,0xe49b69c1,0xefbe4786,0x0fc19dc6,0x240ca1cc,0x2de92c6f,0x4a7484aa,0x5cb0a9dc,0x76f988da,0x983e5152,0xa831c66d,0xb00327c8,0xbf597fc7,0xc6e00bf3,0xd5a79147,0x06ca6351,0x14292967,0x27b70a85,0x2e1b2138,0x4d2c6dfc,0x53380d13,0x650a7354,0x766a0abb,0x81c2c92e,0x92722c85,0xa2bfe8a1,0xa81a664b,0xc24b8b70,0xc76c51a3,0xd192e819,0xd6990624,0xf40e3585,0x106aa070,0x19a4c116,0x1e376c08,0x2748774c,0x34b0bcb5,0x391c0cb3,0x4ed8aa4a,0x5b9cca4f,0x682e6ff3,0x748f82ee,0x78a5636f,0x84c87814,0x8cc70208,0x90befffa,0xa4506ceb,0xbef9a3f7,0xc67178f2]
H0=[0x6a09e667,0xbb67ae85,0x3c6ef372,0xa54ff53a,0x510e527f,0x9b05688c,0x1f83d9ab,0x5be0cd19]
M=0xffffffff
def rotr(x,n): return ((x>>n)|(x<<(32-n)))&M
def compress(st,block):
    w=list(struct.unpack('>16I',block))
    for i in range(16,64):
        s0=rotr(w[i-15],7)^rotr(w[i-15],18)^(w[i-15]>>3)
        s1=rotr(w[i-2],17)^rotr(w[i-2],19)^(w[i-2]>>10)
        w.append((w[i-16]+s0+w[i-7]+s1)&M)
    a,b,c,d,e,f,g,h=st
    for i in range(64):
        S1=rotr(e,6)^rotr(e,11)^rotr(e,25); ch=(e&f)^((~e)&g)
        t1=(h+S1+ch+K[i]+w[i])&M
        S0=rotr(a,2)^rotr(a,13)^rotr(a,22); mj=(a&b)^(a&c)^(b&c)
        t2=(S0+mj)&M
        h,g,f,e,d,c,b,a=g,f,e,(d+t1)&M,c,b,a,(t1+t2)&M
    return [(x+y)&M for x,y in zip(st,[a,b,c,d,e,f,g,h])]
def state_bytes(st): return struct.pack('>8I',*st)
# self-check against hashlib: "abc" padded, and a 2-block message
blk=b'abc'+b'\x80'+b'\0'*52+struct.pack('>Q',24)
assert state_bytes(compress(H0,blk))==hashlib.sha256(b'abc').digest()
msg=bytes(range(100)); pad=msg+b'\x80'+b'\0'*((55-len(msg))%64)+struct.pack('>Q',8*len(msg))
st=H0
for i in range(0,len(pad),64): st=compress(st,pad[i:i+64])
assert state_bytes(st)==hashlib.sha256(msg).digest()

def sha_pair(a,b): return state_bytes(compress(H0,a+b))
def sha_elems(words):
    data=b''.join(struct.pack('<I',w) for w in words)
    st=H0
    for i in range(0,len(data),64):
        blk=data[i:i+64]; blk=blk+b'\0'*(64-len(blk)); st=compress(st,blk)
    return state_bytes(st)
def fold(ws):
    v=ws[0]%P
    for w in ws[1:]: v=((v<<32)+w)%P
    return v
class ShaT:
    def __init__(s): s.p0=hashlib.sha256(b'Hello').digest(); s.p1=hashlib.sha256(b'World').digest(); s.pos=0
    def refill(s): s.p0=sha_pair(s.p0,s.p1); s.p1=sha_pair(s.p0,s.p1); s.pos=0
    def mix(s,d): s.p0=bytes(x^y for x,y in zip(s.p0,d)); s.refill()
    def word(s):
        if s.pos==8: s.refill()
        w=struct.unpack('<I',s.p0[4*s.pos:4*s.pos+4])[0]; s.pos+=1; return w
    def bits(s,n): return s.word()&((1<<n)-1)
    def elem(s): return fold([s.word() for _ in range(6)])
def b2(x): return hashlib.blake2b(x,digest_size=32).digest()
class B2T:
    def __init__(s): s.st=bytes(32)
    def mix(s,d): s.st=b2(s.st+d)
    def word(s): s.st=b2(s.st); return struct.unpack('>I',s.st[:4])[0]
    def bits(s,n): return s.word()&((1<<n)-1)
    def elem(s): return fold([s.word() for _ in range(6)])
def b2_elems(words): return b2(b''.join(struct.pack('>I',w) for w in words))
R=1<<32
def mont(x): return x*R%P
def script(T):
    # the pinned sequence: 9 draws of random_bits(32-1) etc.
    t=T(); out={}
    out['first9']=[t.word() for _ in range(9)]
    t=T(); t.mix(bytes(range(32)))
    out['after_mix_bits']=[t.bits(31), t.bits(26), t.bits(0), t.bits(1)]
    out['elems']=[t.elem() for _ in range(3)]
    out['ext']=[t.elem() for _ in range(4)]
    t.mix(bytes(32))
    out['after_zero_mix']=[t.elem()]
    return out
if __name__=='__main__':
    print('sha first word', hashlib.sha256(b'Hello').digest()[:4].hex())
    for name,T in (('sha',ShaT),('b2',B2T)):
        o=script(T)
        for k,v in o.items(): print(name,k,[hex(x) for x in v])
    a=bytes(range(32)); b=bytes(range(32,64))
    print('sha pair', sha_pair(a,b).hex())
    print('sha elems empty', sha_elems([]).hex())
    w17=[mont(i+1) for i in range(17)]
    print('sha elems 17', sha_elems(w17).hex())
    print('sha elems 16', sha_elems(w17[:16]).hex())
    print('b2 pair', b2(a+b).hex())
    print('b2 elems empty', b2_elems([]).hex())
    print('b2 elems 17', b2_elems(w17).hex())
    print('b2 zero32', b2(bytes(32)).hex())
    for m in [b'', b'abc', bytes(range(64)), bytes(range(128)), bytes(range(129)), bytes(255 for _ in range(1000))]:
        print('b2 kat', len(m), b2(m).hex())
print("folds", hex(fold([0xffffffff]*6)), hex(fold([0,0,0,0,1,0])), hex(fold([0x12345678,0x9abcdef0,0x0fedcba9,0x87654321,0xdeadbeef,0x01234567])))
