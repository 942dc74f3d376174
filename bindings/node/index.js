'use strict';
// zelnor2 for Node.js: component objects by ProgID, their members by name.
//
//   const zelnor2 = require('zelnor2');
//   const canvas = zelnor2.createObject('Zelnor2.MyCanvas');
//   canvas.NewCanvas(200, 100);
//   canvas.PenColor = canvas.RGBToColor(255, 0, 0);
//   canvas.Stretch(100, 100, { HiQ: true });          // a trailing object: named arguments
//   const picture = zelnor2.ref();                    // a by-reference (VARIANT*) argument
//   await canvas.async.SaveToStream(picture, 'PNG');  // off the event loop
//   picture.value                                     // a Buffer holding the PNG file
//   canvas.release();
//
// Property reads and writes are property gets and puts, member names match
// in any letter case, and every failure of the component throws ComError.
// canvas.async has the same members, each returning a Promise; the call runs
// on a thread of libuv's pool.  Calls on one object run one at a time in the
// order they were made, whichever form made them.

const path = require('path');
const util = require('util');

function loadAddon() {
  const candidates =
      [path.join(__dirname, 'build', 'Release', 'zelnor2.node'), path.join(__dirname, 'zelnor2.node')];
  const errors = [];
  for (const file of candidates) {
    try {
      return require(file);
    } catch (e) {
      if (e.code !== 'MODULE_NOT_FOUND') throw e;
      errors.push(file);
    }
  }
  throw new Error(
      `the zelnor2 addon is not built (looked for ${errors.join(', ')}); run npm rebuild zelnor2`);
}

const addon = loadAddon();

// A failed creation or call: hresult (a signed 32-bit HRESULT, as the
// constants below), source ("Zelnor2.MyCanvas" for the component's own
// failures) and description, the component's message.
class ComError extends Error {
  constructor(message, hresult, source = '', description = '') {
    super(message);
    this.hresult = hresult;
    this.source = source;
    this.description = description;
  }

  get name() { return 'ComError'; }
}

// A by-reference argument for a VARIANT* parameter: its value goes in, and
// the member's new value is there after the call.
class Ref {
  constructor(value) { this.value = value; }
}

addon.setup(ComError, Ref);

const kMethod = 0;
const kGet = 1;
const kPut = 2;

// The members of one class, looked up by name in any letter case.
class MemberTable {
  constructor(rows) {
    this.byLowerName = new Map();
    this.list = [];
    for (const [name, kind, parameters] of rows) {
      const key = name.toLowerCase();
      let member = this.byLowerName.get(key);
      if (!member) {
        member = {name, id: addon.name(name), method: false, get: false, put: false, parameters: []};
        this.byLowerName.set(key, member);
        this.list.push(member);
      }
      if (kind === kMethod) {
        member.method = true;
        member.parameters = parameters;
      } else if (kind === kGet) {
        member.get = true;
      } else if (kind === kPut) {
        member.put = true;
      }
    }
    this.byName = new Map();  // names as written, filled as they are used
  }

  find(name) {
    let member = this.byName.get(name);
    if (member === undefined) {
      member = this.byLowerName.get(name.toLowerCase()) || null;
      this.byName.set(name, member);
    }
    return member;
  }
}

const tables = new Map();  // by ProgID as given: every object of a class has one table

function isNamedArguments(value) {
  if (value === null || typeof value !== 'object') return false;
  const proto = Object.getPrototypeOf(value);
  return proto === Object.prototype || proto === null;
}

// Splits a call's arguments into positional ones and named ones.  A trailing
// plain object holds named arguments; trailing undefined arguments are left
// out; an undefined one before others leaves that parameter to its default,
// by passing the ones after it by name.
function splitArguments(member, args) {
  let count = args.length;
  let named;
  if (count > 0 && isNamedArguments(args[count - 1])) named = args[--count];
  while (count > 0 && args[count - 1] === undefined) --count;
  const hole = args.indexOf(undefined);
  if (hole < 0 || hole >= count) return [count, named];
  const byName = {};
  for (let i = hole + 1; i < count; ++i) {
    if (args[i] === undefined) continue;
    const parameter = member.parameters[i];
    if (parameter === undefined)
      throw new TypeError(`${member.name} takes at most ${member.parameters.length} arguments`);
    byName[parameter] = args[i];
  }
  if (named) {
    for (const key of Object.keys(named)) {
      if (Object.keys(byName).some((p) => p.toLowerCase() === key.toLowerCase()))
        throw new TypeError(`${member.name}: ${key} is given both by position and by name`);
      byName[key] = named[key];
    }
  }
  return [hole, byName];
}

function methodOf(handle, member, asynchronous) {
  const call = asynchronous ? addon.callAsync : addon.call;
  const name = member.id;
  if (asynchronous) {
    return async function(...args) {
      const [count, named] = splitArguments(member, args);
      return call(handle, name, args, count, named);
    };
  }
  return function(...args) {
    const [count, named] = splitArguments(member, args);
    return call(handle, name, args, count, named);
  };
}

// A property read of the async view: a Promise, which also carries the
// failure of a call that could not be queued.
function getAsync(handle, name) {
  try {
    return addon.getAsync(handle, name);
  } catch (e) {
    return Promise.reject(e);
  }
}

// What a script sees of one object; the Proxy around it does the rest.
class AutomationObject {
  constructor(progid) { Object.defineProperty(this, 'progid', {value: progid}); }

  [util.inspect.custom]() { return `[zelnor2 object ${this.progid}]`; }
}

function memberView(handle, table, target, asynchronous, extra) {
  const functions = new Map();
  return new Proxy(target, {
    get(t, prop, receiver) {
      if (typeof prop !== 'string') return Reflect.get(t, prop, receiver);
      if (extra && Object.prototype.hasOwnProperty.call(extra, prop)) return extra[prop];
      const member = table.find(prop);
      if (!member) return Reflect.get(t, prop, receiver);
      if (member.get) return asynchronous ? getAsync(handle, member.id) : addon.get(handle, member.id);
      let fn = functions.get(member.name);
      if (!fn) {
        fn = methodOf(handle, member, asynchronous);
        functions.set(member.name, fn);
      }
      return fn;
    },
    set(t, prop, value) {
      if (typeof prop !== 'string') return Reflect.set(t, prop, value);
      if (asynchronous) throw new TypeError(`set ${prop} on the object itself, not on its async view`);
      const member = table.find(prop);
      addon.put(handle, member ? member.id : prop, value);
      return true;
    },
    has(t, prop) {
      if (typeof prop === 'string' && table.find(prop)) return true;
      return Reflect.has(t, prop);
    },
  });
}

// Creates an object of the class named by ProgID ("Zelnor2.MyCanvas") or by
// its class id in braces.  Throws ComError when no store registers the name.
function createObject(progid) {
  if (typeof progid !== 'string') throw new TypeError('createObject takes a ProgID string');
  const handle = addon.create(progid);
  let table = tables.get(progid);
  if (!table) {
    table = new MemberTable(addon.members(handle));
    tables.set(progid, table);
  }
  const release = () => addon.release(handle);
  const asyncView = memberView(handle, table, new AutomationObject(progid), true, null);
  return memberView(handle, table, new AutomationObject(progid), false, {release, async: asyncView});
}

// The members of an object: name, kind ('method' or 'property', with
// readable and writable for a property) and a method's parameter names.
function members(object) {
  if (!(object instanceof AutomationObject)) throw new TypeError('members takes a zelnor2 object');
  const table = tables.get(object.progid);
  return table.list.map(
      (m) => m.method ? {name: m.name, kind: 'method', parameters: [...m.parameters]} :
                        {name: m.name, kind: 'property', readable: m.get, writable: m.put},
  );
}

// HRESULTs a caller may want to tell apart, as ComError's hresult gives them.
const hresults = {
  S_OK: 0,
  E_UNEXPECTED: 0x8000ffff | 0,
  E_FAIL: 0x80004005 | 0,
  E_NOINTERFACE: 0x80004002 | 0,
  E_POINTER: 0x80004003 | 0,
  E_INVALIDARG: 0x80070057 | 0,
  E_OUTOFMEMORY: 0x8007000e | 0,
  REGDB_E_CLASSNOTREG: 0x80040154 | 0,
  REGDB_E_READREGDB: 0x80040150 | 0,
  DISP_E_UNKNOWNINTERFACE: 0x80020001 | 0,
  DISP_E_MEMBERNOTFOUND: 0x80020003 | 0,
  DISP_E_PARAMNOTFOUND: 0x80020004 | 0,
  DISP_E_TYPEMISMATCH: 0x80020005 | 0,
  DISP_E_UNKNOWNNAME: 0x80020006 | 0,
  DISP_E_EXCEPTION: 0x80020009 | 0,
  DISP_E_OVERFLOW: 0x8002000a | 0,
  DISP_E_BADINDEX: 0x8002000b | 0,
  DISP_E_BADPARAMCOUNT: 0x8002000e | 0,
  DISP_E_PARAMNOTOPTIONAL: 0x8002000f | 0,
};

module.exports = {
  createObject,
  ref : (value) => new Ref(value), Ref, ComError, members,
  liveObjects : () => addon.liveObjects(), ...hresults,
};
